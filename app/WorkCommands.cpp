#include "app/WorkCommands.h"

#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "app/TreeCommands.h"
#include "launch/AutoTrack.h"
#include "launch/ItemLauncher.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

namespace kivrano {

WorkCommands::WorkCommands(CKivranoDoc& doc, TreeCommands& tree, AutoTrack& autoTrack,
                           WorkHistory& history, ItemLauncher& launcher, WorkWindowHost& host,
                           Prompter& prompter)
    : m_doc(doc),
      m_tree(tree),
      m_autoTrack(autoTrack),
      m_history(history),
      m_launcher(launcher),
      m_host(host),
      m_prompter(prompter) {}

void WorkCommands::addCommands(CommandRouter& router) {
    router.add(cmd::AutoTrack, [this] { toggleAutoTrack(); });
    router.add(cmd::AutoTrackButton, [this] { toggleAutoTrack(); });
    router.add(cmd::Previous, [this] { previous(); });
    router.add(cmd::Next, [this] { next(); });
}

void WorkCommands::settingsLoaded(const VaultSettings& settings) {
    const bool on = settings.autoTrack != 0;
    m_autoTrack.setEnabled(on);
    m_host.showAutoTrack(on);
    if (on && !m_autoTrack.canSeeWindows() && !m_toldCannotSeeWindows) {
        m_toldCannotSeeWindows = true;
        m_prompter.message(std::string(text(StringId::AutoTrackCannotSeeWindows)),
                           Prompter::Icon::Information);
    }
}

void WorkCommands::toggleAutoTrack() {
    VaultSettings& settings = m_doc.settings();
    settings.autoTrack = settings.autoTrack ? 0 : 1;
    settingsLoaded(settings);
}

void WorkCommands::autoTrackStep() {
    const TreeNode picked = m_autoTrack.step(m_doc.tree(), m_history);
    if (picked == kNoNode) return;
    show(picked);
    m_tree.scrollPageLeft();
}

void WorkCommands::record(TreeNode node) {
    m_history.record(m_doc.tree(), node);
    updateHistoryCommands();
}

void WorkCommands::forget(TreeNode node) {
    m_history.forget(node);
    updateHistoryCommands();
}

void WorkCommands::replace(TreeNode oldNode, TreeNode newNode) {
    m_history.replace(oldNode, newNode);
    updateHistoryCommands();
}

void WorkCommands::previous() {
    show(m_history.previous(m_doc.tree().selection()));
}

void WorkCommands::next() {
    show(m_history.next());
}

std::vector<WorkHistory::MenuEntry> WorkCommands::historyEntries() const {
    return m_history.menuEntries(m_doc.tree(), m_doc.tree().selection());
}

void WorkCommands::chooseFromHistory(int command) {
    show(m_history.choose(command));
}

void WorkCommands::launch(TreeNode node) {
    const VaultItem* item = m_doc.tree().item(node);
    if (!item) return;
    if (m_launcher.launch(*item, m_doc.settings().applicationTable) ==
        ItemLauncher::Outcome::ApplicationReplaced)
        m_doc.markModifiedByEdit();
}

void WorkCommands::launchByKey(TreeNode node) {
    record(node);
    show(node);
    launch(node);
    m_tree.scrollPageLeft();
    m_host.focusTree();
}

void WorkCommands::show(TreeNode node) {
    if (node == kNoNode) return;
    m_tree.selectNode(node);
    m_tree.refresh();
    updateHistoryCommands();
}

void WorkCommands::updateHistoryCommands() {
    m_host.setCommandEnabled(cmd::Previous, m_history.canGoPrevious(m_doc.tree().selection()));
    m_host.setCommandEnabled(cmd::Next, m_history.canGoNext());
    m_host.setCommandEnabled(cmd::ShowHistory, m_history.canShowHistory());
}

}  // namespace kivrano
