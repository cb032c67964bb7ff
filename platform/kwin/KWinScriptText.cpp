#include "platform/kwin/KWinScriptText.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace kivrano::platform::kwin {

namespace {

// A text as a JavaScript string literal: JSON's quoting is JavaScript's.
QString literal(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Plasma 6 renamed the client calls of 5.27; the script takes whichever the running KWin has.
const char* const kWorkspaceNames = R"JS(
    var ws = workspace;
    function windows() { return ws.windowList ? ws.windowList() : ws.clientList(); }
    function activeWindow() { return ws.activeWindow !== undefined ? ws.activeWindow : ws.activeClient; }
)JS";

}  // namespace

QString windowReportScript(const ReportAddress& address) {
    QString script =
        QStringLiteral("(function () {\n    var service = %1, path = %2, iface = %3;")
            .arg(literal(address.service), literal(address.path), literal(address.interface));
    script += QString::fromLatin1(kWorkspaceNames);
    script += QStringLiteral(R"JS(
    function id(w) { return w ? String(w.internalId) : ""; }
    function report(gone) {
        var all = windows(), listed = [];
        for (var i = 0; i < all.length; ++i) {
            var w = all[i];
            if (w === gone || !(w.normalWindow || w.dialog)) continue;
            listed.push({id: id(w), caption: String(w.caption), "class": String(w.resourceClass),
                         owner: id(w.transientFor), pid: w.pid, stacking: w.stackingOrder});
        }
        callDBus(service, path, iface, "Report",
                 JSON.stringify({active: id(activeWindow()), windows: listed}));
    }
    function follow(w) {
        w.captionChanged.connect(function () { report(null); });
        if (w.stackingOrderChanged) w.stackingOrderChanged.connect(function () { report(null); });
    }
    var all = windows();
    for (var i = 0; i < all.length; ++i) follow(all[i]);
    (ws.windowAdded || ws.clientAdded).connect(function (w) { follow(w); report(null); });
    (ws.windowRemoved || ws.clientRemoved).connect(function (w) { report(w); });
    (ws.windowActivated || ws.clientActivated).connect(function () { report(null); });
    report(null);
})();
)JS");
    return script;
}

QString activationScript(const QString& windowId) {
    QString script = QStringLiteral("(function () {\n    var target = %1;").arg(literal(windowId));
    script += QString::fromLatin1(kWorkspaceNames);
    script += QStringLiteral(R"JS(
    var all = windows();
    for (var i = 0; i < all.length; ++i) {
        if (String(all[i].internalId) !== target) continue;
        if (ws.activeWindow !== undefined) ws.activeWindow = all[i]; else ws.activeClient = all[i];
    }
})();
)JS");
    return script;
}

}  // namespace kivrano::platform::kwin
