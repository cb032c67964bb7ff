#include "ui/CDownloadProgressDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <thread>

namespace kivrano {

namespace {

QString kilobytes(std::uint64_t bytes) {
    return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
}

}  // namespace

CDownloadProgressDlg::CDownloadProgressDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Download"));
    setModal(true);
    m_label = new QLabel(QStringLiteral("Connecting..."), this);
    m_label->setMinimumWidth(320);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 0);  // moving to and fro until the total is known
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_cancel, &QPushButton::clicked, this, &CDownloadProgressDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
}

DownloadOutcome CDownloadProgressDlg::run(QWidget* parent, const DownloadRunner::Job& job) {
    CDownloadProgressDlg dialog(parent);
    return dialog.runJob(job);
}

DownloadOutcome CDownloadProgressDlg::runJob(const DownloadRunner::Job& job) {
    DownloadOutcome outcome;
    std::thread worker([this, &job, &outcome] {
        outcome = job([this](const DownloadProgress& progress) {
            m_received = progress.received;
            m_total = progress.total ? static_cast<std::int64_t>(*progress.total) : -1;
            return !m_cancelled.load();
        });
        // Queued: it runs inside exec() below even if the job ended before exec() began.
        QMetaObject::invokeMethod(
            this, [this] { done(QDialog::Accepted); }, Qt::QueuedConnection);
    });
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, &CDownloadProgressDlg::showProgress);
    timer.start(100);
    exec();
    worker.join();
    return outcome;
}

void CDownloadProgressDlg::showProgress() {
    if (m_cancelled) return;
    const std::uint64_t received = m_received;
    const std::int64_t total = m_total;
    if (total > 0) {
        m_label->setText(
            QStringLiteral("Received %1 of %2")
                .arg(kilobytes(received), kilobytes(static_cast<std::uint64_t>(total))));
        m_bar->setRange(0, 1000);
        m_bar->setValue(
            static_cast<int>(std::min<std::uint64_t>(received, static_cast<std::uint64_t>(total)) *
                             1000 / static_cast<std::uint64_t>(total)));
    } else if (received > 0) {
        m_label->setText(QStringLiteral("Received %1").arg(kilobytes(received)));
    }
}

void CDownloadProgressDlg::reject() {
    // The window stays until the worker has stopped and removed what it had written.
    m_cancelled = true;
    m_cancel->setEnabled(false);
    m_label->setText(QStringLiteral("Cancelling..."));
}

}  // namespace kivrano
