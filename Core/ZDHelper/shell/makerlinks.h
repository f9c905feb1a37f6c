// The maker's web pages that the menu and the small dialogs open in the
// desktop's browser.
#pragma once

#include <QString>

inline const QString URL_HOME_PAGE = QStringLiteral("https://www.veltrano.com/");
inline const QString URL_CONTACT_PAGE = QStringLiteral("https://www.veltrano.com/contact/");
inline const QString URL_ONLINE_HELP =
    QStringLiteral("https://www.veltrano.com/support/veltrano-helper/");
inline const QString URL_PLUGIN_GUIDE =
    QStringLiteral("https://www.veltrano.com/support/veltrano-box-obs-plugin/");
inline const QString URL_DOWNLOAD_PAGE = QStringLiteral("https://www.veltrano.com/download/");
