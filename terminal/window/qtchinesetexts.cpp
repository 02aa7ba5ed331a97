#include "window/qtchinesetexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtChineseTexts()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
#ifdef Q_OS_WIN
    // Shipped with the terminal, in a folder beside it.
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
#else
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
