// A window with three text fields that reports on stdout exactly what it receives, so that a
// test can compare typed text byte for byte. Commands arrive on stdin, one per line:
//   clear                 empty every field and focus the first
//   report-clipboard      print the clipboard's text
//   report-hint           print the clipboard's password-manager hint
//   report-selection      print the primary selection's text
//   set-clipboard <hex>   put UTF-8 text on the clipboard
//   dialog                open a dialog owned by the window
//   steal-focus-on-clipboard <hex>   when the clipboard comes to hold that UTF-8 text, open
//                         a window of its own ("Target Notification", a text field) and
//                         give it the focus, as a notification that takes the focus would
//   remap                 unmap and map the window again (for a window manager that missed it)
//   title <hex>           give the window a new title (UTF-8)
//   quit
// Reports: "ready", "active" (the window has the keyboard focus), "inactive" (no window of
// the program has it), "focus <n>", "enter <n>", "text
// <n> <hex>", "clipboard <hex>", "clipboard-none", "hint <value>", "hint-none", "selection <hex>",
// "selection-none", "clipboard-set", "dialog", "steal-armed", "stolen", "popup-active",
// "popup-text <hex>", "titled", "ctrl-down" (a Control key went down in one of its windows).
#include "StdinCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <vector>

namespace {

void report(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reports a Control key going down, so that a test knows a held key has arrived.
class ControlKeyReporter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && watched->isWindowType() &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Control &&
            !static_cast<QKeyEvent*>(event)->isAutoRepeat())
            report("ctrl-down");
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ControlKeyReporter controlKeys;
    app.installEventFilter(&controlKeys);
    QWidget window;
    window.setWindowTitle(QStringLiteral(u"Kivrano E2E Target \u2013 Z\u00FCrich \u5BC6"));
    // A title of the test's choosing: "--title TEXT".
    const QStringList arguments = QApplication::arguments();
    if (const auto at = arguments.indexOf(QStringLiteral("--title"));
        at >= 0 && at + 1 < arguments.size())
        window.setWindowTitle(arguments.at(at + 1));
    auto* layout = new QVBoxLayout(&window);
    std::vector<QLineEdit*> fields;
    for (int i = 0; i < 3; ++i) {
        auto* field = new QLineEdit(&window);
        layout->addWidget(field);
        fields.push_back(field);
        QObject::connect(field, &QLineEdit::textChanged, [i](const QString& text) {
            report("text " + QByteArray::number(i) + " " + text.toUtf8().toHex());
        });
        QObject::connect(field, &QLineEdit::returnPressed,
                         [i] { report("enter " + QByteArray::number(i)); });
    }
    QObject::connect(&app, &QApplication::focusChanged, [&](QWidget*, QWidget* now) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i] == now) report("focus " + QByteArray::number(static_cast<int>(i)));
    });

    QObject::connect(&app, &QGuiApplication::focusWindowChanged, [&](QWindow* focused) {
        if (focused && focused == window.windowHandle()) report("active");
        // Another program's window took the keyboard (a desktop's dialog, say).
        if (!focused) report("inactive");
    });

    // The window that takes the focus; a top-level window of its own, owned by nothing.
    QWidget popup;
    popup.setWindowTitle(QStringLiteral("Target Notification"));
    auto* popupField = new QLineEdit(&popup);
    (new QVBoxLayout(&popup))->addWidget(popupField);
    QObject::connect(popupField, &QLineEdit::textChanged,
                     [](const QString& text) { report("popup-text " + text.toUtf8().toHex()); });
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, [&](QWindow* focused) {
        if (focused && focused == popup.windowHandle()) report("popup-active");
    });
    QString stealOn;
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [&] {
        if (stealOn.isEmpty() || QGuiApplication::clipboard()->text() != stealOn) return;
        stealOn.clear();
        popup.resize(300, 80);
        popup.show();
        popup.raise();
        popup.activateWindow();
        popupField->setFocus();
        report("stolen");
    });

    StdinCommands commands([&](const QByteArray& line) {
        if (line == "clear") {
            for (QLineEdit* field : fields) field->clear();
            fields.front()->setFocus();
            report("cleared");
        } else if (line == "report-clipboard") {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            report(data && data->hasText() ? "clipboard " + data->text().toUtf8().toHex()
                                           : QByteArray("clipboard-none"));
        } else if (line == "report-hint") {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            const QString hint = QStringLiteral("x-kde-passwordManagerHint");
            report(data && data->hasFormat(hint) ? "hint " + data->data(hint)
                                                 : QByteArray("hint-none"));
        } else if (line == "report-selection") {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
            report(data && data->hasText() ? "selection " + data->text().toUtf8().toHex()
                                           : QByteArray("selection-none"));
        } else if (line.startsWith("set-clipboard ")) {
            QGuiApplication::clipboard()->setText(
                QString::fromUtf8(QByteArray::fromHex(line.mid(14))));
            report("clipboard-set");
        } else if (line == "dialog") {
            auto* dialog = new QDialog(&window);
            dialog->setWindowTitle(QStringLiteral("Target Dialog"));
            dialog->show();
            report("dialog");
        } else if (line.startsWith("steal-focus-on-clipboard ")) {
            stealOn = QString::fromUtf8(QByteArray::fromHex(line.mid(25)));
            report("steal-armed");
        } else if (line == "remap") {
            window.hide();
            window.show();
            window.activateWindow();
        } else if (line.startsWith("title ")) {
            window.setWindowTitle(QString::fromUtf8(QByteArray::fromHex(line.mid(6))));
            report("titled");
        } else if (line == "quit") {
            app.quit();
        }
    });

    window.resize(400, 200);
    window.show();
    window.activateWindow();
    fields.front()->setFocus();
    QTimer::singleShot(0, [] { report("ready"); });
    return app.exec();
}
