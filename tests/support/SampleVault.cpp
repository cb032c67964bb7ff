#include "support/SampleVault.h"

#include <memory>
#include <random>

namespace kivrano::testing {

SampleVault makeSampleVault() {
    SampleVault v;
    v.settings.autoTrack = 1;
    v.settings.autoLockMinutes = 15;
    v.settings.typeInMode = kTypeInAutomatic;
    v.settings.globalHotKeys[kHotKeyClipboardAddress] = {0x4B,
                                                         HotKeyValue::kCtrl | HotKeyValue::kAlt};
    v.settings.applicationTable = {"/usr/bin/unused", "/usr/bin/thunderbird", "/usr/bin/gedit",
                                   "/usr/bin/thunderbird"};

    v.mail = v.tree.insertFolder({"Mail", 0});
    v.shared = v.tree.insertFolder({"Shared Things", 2});

    auto full = std::make_unique<VaultItem>();
    full->title = "Mail Box";
    full->address = "https://mail.example.com/login?x=1";
    full->id = "alice@example.com";
    full->password = "s3cr3t-pässword";  // UTF-8 bytes stay bytes
    full->appIndex = -1;
    full->appChoice = VaultItem::kAppChoiceBrowser;
    full->launchKey = {0x4D, HotKeyValue::kCtrl | HotKeyValue::kShift};
    for (std::size_t k = 0; k < 6; ++k) {
        full->etcName[k] = "Name" + std::to_string(k + 1);
        full->etcText[k] = "Text number " + std::to_string(k + 1);
    }
    full->memo = "line one\r\nline two";
    full->tabCount = {1, -3, 2, 0, 127, -128, 0, 1};
    full->enterCount = {0, 1, 0, 0, 0, 2, 0, -1};
    full->lastPage = 1;
    full->hideId = 1;
    full->hidePassword = 1;
    full->hideEtc = {0, 1, 0, 0, 0, 1};
    full->hideMemo = 1;
    v.full = v.tree.insertItem(v.mail, std::move(full));

    auto bare = std::make_unique<VaultItem>();
    bare->title = "Only a title";
    bare->hidePassword = 0;
    v.bare = v.tree.insertItem(v.mail, std::move(bare));

    auto program = std::make_unique<VaultItem>();
    program->title = "Editor";
    program->address = "notes.txt";
    program->appChoice = VaultItem::kAppChoiceApplication;
    program->appIndex = 2;
    program->id = "bob";
    program->password = "hunter2";
    v.program = v.tree.insertItem(v.shared, std::move(program));

    auto mailer = std::make_unique<VaultItem>();
    mailer->title = "Mailer";
    mailer->address = "mailto:bob@example.com";
    mailer->appChoice = VaultItem::kAppChoiceEmail;
    mailer->appIndex = 3;  // the repeated entry
    v.tree.insertItem(v.shared, std::move(mailer));
    return v;
}

void fillGeneratedVault(VaultTree& tree, VaultSettings& settings, std::size_t folders,
                        std::size_t itemsPerFolder, unsigned seed) {
    std::mt19937 random(seed);
    auto word = [&](std::size_t length) {
        std::string w;
        for (std::size_t i = 0; i < length; ++i)
            w.push_back(static_cast<char>('a' + random() % 26));
        return w;
    };
    settings.applicationTable = {"/usr/bin/firefox", "/usr/bin/thunderbird"};
    for (std::size_t f = 0; f < folders; ++f) {
        TreeNode folder = tree.insertFolder({"Folder " + word(8), f % 5 == 0 ? 2 : 0});
        for (std::size_t i = 0; i < itemsPerFolder; ++i) {
            auto item = std::make_unique<VaultItem>();
            item->title = word(6) + " " + word(8) + " account";
            item->address = "https://www." + word(10) + ".example.com/login/" + word(12);
            item->id = word(10) + "@example.com";
            item->password = word(16);
            for (std::size_t k = 0; k < 6; ++k) {
                item->etcName[k] = "Field " + word(4);
                item->etcText[k] = word(12);
            }
            item->memo = "Memo " + word(40);
            item->tabCount[0] = 1;
            item->enterCount[1] = 1;
            item->appIndex = (i % 7 == 0) ? 1 : -1;
            tree.insertItem(folder, std::move(item));
        }
    }
}

}  // namespace kivrano::testing
