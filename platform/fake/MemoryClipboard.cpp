#include "platform/fake/MemoryClipboard.h"

#include <stdexcept>

namespace kivrano::platform {

bool MemoryClipboard::open() {
    if (!m_openable) return false;
    m_open = true;
    return true;
}

void MemoryClipboard::close() {
    requireOpen();
    m_open = false;
}

void MemoryClipboard::empty() {
    requireOpen();
    m_content.reset();
    m_secret = false;
    m_owner = true;
}

void MemoryClipboard::setText(const std::string& text) {
    requireOpen();
    m_content = text;
    m_secret = false;
    m_owner = true;
}

void MemoryClipboard::setSecretText(const std::string& text) {
    requireOpen();
    m_content = text;
    m_secret = true;
    m_owner = true;
    ++m_secretsPut;
}

std::optional<std::string> MemoryClipboard::text() const {
    requireOpen();
    return m_content;
}

void MemoryClipboard::requireOpen() const {
    if (!m_open) throw std::logic_error("clipboard used without opening it");
}

}  // namespace kivrano::platform
