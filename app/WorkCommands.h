#pragma once

#include "launch/WorkHistory.h"
#include "vault/TreeNode.h"

#include <vector>

namespace kivrano {

class AutoTrack;
class CKivranoDoc;
class CommandRouter;
class ItemLauncher;
class Prompter;
class TreeCommands;
struct VaultSettings;

// What the work commands need from the main window.
class WorkWindowHost {
public:
    virtual ~WorkWindowHost() = default;
    // Enables or greys a menu entry (and its toolbar button).
    virtual void setCommandEnabled(int command, bool enabled) = 0;
    // The AutoTrack switch changed: its check marks and the 500 ms poll follow it.
    virtual void showAutoTrack(bool on) = 0;
    // The tree takes the keyboard focus.
    virtual void focusTree() = 0;
};

// The commands around the items in use: the AutoTrack switch and its step, the work
// history's Previous, Next and list, and launching an item, also by its launching key.
class WorkCommands {
public:
    WorkCommands(CKivranoDoc& doc, TreeCommands& tree, AutoTrack& autoTrack, WorkHistory& history,
                 ItemLauncher& launcher, WorkWindowHost& host, Prompter& prompter);

    // Registers AutoTrack (menu and toolbar button), Previous and Next.
    void addCommands(CommandRouter& router);

    // A vault's settings were loaded: AutoTrack follows its switch. Where the desktop shows
    // it no window, switching it on says so, once a run.
    void settingsLoaded(const VaultSettings& settings);
    void toggleAutoTrack();
    // One AutoTrack step; the item it picks is selected and shown, the tree back at the left.
    void autoTrackStep();

    // The work history: an item was used, a node was deleted, an item got a new node.
    void record(TreeNode node);
    void forget(TreeNode node);
    void replace(TreeNode oldNode, TreeNode newNode);
    void previous();
    void next();
    // The entries of the Show History list, and the one chosen from it.
    std::vector<WorkHistory::MenuEntry> historyEntries() const;
    void chooseFromHistory(int command);

    // Opens an item's address with its application; a program chosen anew for a missing one
    // marks the vault modified.
    void launch(TreeNode node);
    // An item's launching key: record, select and show the item, launch it, scroll the tree
    // back to the left and give it the focus.
    void launchByKey(TreeNode node);

    // Previous, Next and Show History follow the history and the selection: called whenever
    // the selection is shown anew, so that no enabled entry would do nothing.
    void updateHistoryCommands();

private:
    void show(TreeNode node);

    CKivranoDoc& m_doc;
    TreeCommands& m_tree;
    AutoTrack& m_autoTrack;
    WorkHistory& m_history;
    ItemLauncher& m_launcher;
    WorkWindowHost& m_host;
    Prompter& m_prompter;
    bool m_toldCannotSeeWindows = false;
};

}  // namespace kivrano
