#include "launcher/carriedfiles.h"
#include "launcher/launchernames.h"
#include "tests/support/fileprobe.h"

#include <QTest>

class tst_CarriedFiles : public QObject
{
    Q_OBJECT

private slots:
    void resourcesAreTheBuildsOutputsByteForByte();
    void theLauncherHoldsThemRaw();
};

void tst_CarriedFiles::resourcesAreTheBuildsOutputsByteForByte()
{
    const QByteArray terminal = contentOf(VARNICA_TERMINAL_FILE);
    const QByteArray control = contentOf(VARNICA_CONTROL_FILE);
    QVERIFY(terminal.startsWith("\x7f"
                                "ELF"));
    QVERIFY(control.startsWith("\x7f"
                               "ELF"));
    QVERIFY(carriedfiles::resource(launchernames::terminalResource) == terminal);
    QVERIFY(carriedfiles::resource(launchernames::controlResource) == control);
    for (int unknown : {0, 100, 103})
        QVERIFY(carriedfiles::resource(unknown).isEmpty());
}

void tst_CarriedFiles::theLauncherHoldsThemRaw()
{
    const QByteArray launcher = contentOf(VARNICA_SOLO_FILE);
    QVERIFY(launcher.contains(contentOf(VARNICA_TERMINAL_FILE)));
    QVERIFY(launcher.contains(contentOf(VARNICA_CONTROL_FILE)));
}

QTEST_APPLESS_MAIN(tst_CarriedFiles)
#include "tst_carriedfiles.moc"
