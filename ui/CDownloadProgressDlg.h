#pragma once

#include "net/NetworkDialog.h"

#include <QDialog>

#include <atomic>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kivrano {

// "Download": runs a download on a worker thread while it shows the bytes received (and
// the total, when known) with a Cancel button. The program stays responsive; the window
// closes only once the worker has ended, so a cancelled download has cleaned up by then.
class CDownloadProgressDlg : public QDialog {
    Q_OBJECT

public:
    explicit CDownloadProgressDlg(QWidget* parent = nullptr);

    // Runs job off this thread and returns its outcome once it has ended.
    static DownloadOutcome run(QWidget* parent, const DownloadRunner::Job& job);

    // Cancel, Escape and the close box all ask the worker to stop.
    void reject() override;

    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* label() const { return m_label; }

private:
    DownloadOutcome runJob(const DownloadRunner::Job& job);
    void showProgress();

    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    std::atomic<bool> m_cancelled{false};
    std::atomic<std::uint64_t> m_received{0};
    std::atomic<std::int64_t> m_total{-1};
};

}  // namespace kivrano
