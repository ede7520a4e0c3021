#pragma once
// The maker's addresses, chosen once here: every link, mail and help page of
// the program takes them from this file.

#include <QString>

namespace maker {

inline const QString kName = QStringLiteral("Corvane Technologies");
inline const QString kHost = QStringLiteral("www.corvane-technologies.example");
inline const QString kHomePage = QStringLiteral("http://www.corvane-technologies.example/");
inline const QString kSupportPage = QStringLiteral("http://www.corvane-technologies.example/lockhelp.htm");
inline const QString kUpdatePage =
    QStringLiteral("http://www.corvane-technologies.example/deskward/update.htm");
// The download host's folder that holds "application.ver" and "news2.txt".
inline const QString kDownloadFolder =
    QStringLiteral("http://download.corvane-technologies.example/deskward/");
inline const QString kSupportEmail = QStringLiteral("support@corvane-technologies.example");
inline const QString kRequestEmail = QStringLiteral("requests@corvane-technologies.example");
// Subject line of every request mail.
inline const QString kRequestSubject = QStringLiteral("Deskward_Suggestion");

} // namespace maker
