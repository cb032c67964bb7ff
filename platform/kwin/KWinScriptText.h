#pragma once

#include <QString>

namespace kivrano::platform::kwin {

// Where a KWin script sends its reports: a bus name of ours (our unique name does), the path of
// our object and its interface. The script calls the interface's "Report" method with one text.
struct ReportAddress {
    QString service;
    QString path;
    QString interface;
};

// A resident script that reports the managed windows each time the window in front, a caption,
// the stacking order or the set of windows changes, and once at its start. A report is JSON:
//   {"active": ID, "windows": [{"id": ID, "caption": TEXT, "class": TEXT, "owner": ID, "pid": N,
//    "stacking": N}, ...]}
// where ID is KWin's internal id of a window ("" for none) and a higher "stacking" is nearer
// the top. Written for KWin 5.27's scripting names, with Plasma 6's names where they differ.
QString windowReportScript(const ReportAddress& address);

// A one-shot script that makes the window with that internal id the active one.
QString activationScript(const QString& windowId);

}  // namespace kivrano::platform::kwin
