#include "launcher/launchernames.h"
#include "launcher/windows/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cwctype>

using namespace launchernames;

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_TempFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pathsAreJoinedAsTheyStand_data();
    void pathsAreJoinedAsTheyStand();
    void theFolderIsTheVariableTemp();
    void filesAreWrittenNeverOverAnything();
    void cleanUpDeletesTheTerminalsCopiesOnly();
    void aCheckedCopyIsHeldAgainstChange();
    void theLastLauncherToLeaveIsTold();

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_TempFolder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->path();
}

void tst_TempFolder::pathsAreJoinedAsTheyStand_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("terminal") << "C:\\Temp" << terminalFileName
                              << "C:\\Temp\\DravikVarnicaV1.2.exe";
    QTest::newRow("no folder") << "" << controlFileName << "\\mscomm32.ocx";
    QTest::newRow("folder ending in a separator")
        << "C:\\Temp\\" << controlFileName << "C:\\Temp\\\\mscomm32.ocx";
    QTest::newRow("plugin") << "C:\\Temp"
                            << "platforms/qwindows.dll"
                            << "C:\\Temp\\platforms\\qwindows.dll";
}

void tst_TempFolder::pathsAreJoinedAsTheyStand()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    const TempFolder tempFolder(folder.toStdWString());
    QCOMPARE(QString::fromStdWString(tempFolder.filePath(name.toStdString())), path);
}

void tst_TempFolder::theFolderIsTheVariableTemp()
{
    const std::wstring before = temporaryFolder();
    QVERIFY(::SetEnvironmentVariableW(L"TEMP", L"Z:\\some folder\\"));
    QCOMPARE(QString::fromStdWString(temporaryFolder()), "Z:\\some folder\\");
    QVERIFY(::SetEnvironmentVariableW(L"TEMP", nullptr));
    QCOMPARE(QString::fromStdWString(temporaryFolder()), QString());
    ::SetEnvironmentVariableW(L"TEMP", before.c_str());
}

void tst_TempFolder::filesAreWrittenNeverOverAnything()
{
    TempFolder folder(nativePath(m_path));
    QVERIFY(folder.create("platforms/qwindows.dll", "plugin", WorkFolder::FileKind::Data));
    QCOMPARE(contentOf(m_path + "/platforms/qwindows.dll"), "plugin");
    QVERIFY(folder.exists("platforms/qwindows.dll") && folder.exists("platforms"));
    QVERIFY(folder.holdsCopyOf("platforms/qwindows.dll", "plugin"));
    QVERIFY(!folder.holdsCopyOf("platforms/qwindows.dll", "plugin, another"));
    QVERIFY(!folder.holdsCopyOf("platforms", ""));

    QVERIFY(!folder.create("platforms/qwindows.dll", "other", WorkFolder::FileKind::Data));
    QCOMPARE(contentOf(m_path + "/platforms/qwindows.dll"), "plugin");
    QVERIFY(!folder.create("../outside.dll", "x", WorkFolder::FileKind::Data));
    QVERIFY(!QFile::exists(m_path + "/../outside.dll"));

    folder.removeFolder("platforms"); // not empty: stays
    QVERIFY(folder.exists("platforms"));
    folder.remove("platforms/qwindows.dll");
    folder.removeFolder("platforms");
    QVERIFY(!folder.exists("platforms"));
    QVERIFY(QDir(m_path).exists()); // the temporary folder itself always stays
}

void tst_TempFolder::cleanUpDeletesTheTerminalsCopiesOnly()
{
    for (const char *name : {"DravikVarnicaV1.0.exe", "DravikVarnicaV1.2.exe", "DravikVarnica.txt",
                             "Other.exe", "mscomm32.ocx"})
        writeFile(m_path + '/' + name, name);
    QVERIFY(QDir(m_path).mkdir("DravikVarnicaFolder.exe"));
    TempFolder folder(nativePath(m_path));
    folder.removeMatching(cleanUpPattern);
    QStringList left = QDir(m_path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    left.sort();
    QCOMPARE(left, QStringList({"DravikVarnica.txt", "DravikVarnicaFolder.exe", "Other.exe",
                                "mscomm32.ocx"}));
}

// From the check until the program runs, nobody may change or delete the
// file; a file someone else is writing is not vouched for.
void tst_TempFolder::aCheckedCopyIsHeldAgainstChange()
{
    const TempFolder folder(nativePath(m_path));
    const std::wstring path = folder.filePath(terminalFileName);
    writeFile(m_path + '/' + terminalFileName, "program");
    {
        const UniqueHandle held = folder.openOwnCopy(terminalFileName, "program");
        QVERIFY(held.isValid());
        QVERIFY(!::DeleteFileW(path.c_str()));
        const UniqueHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        QVERIFY(!writer.isValid());
    }
    const UniqueHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    QVERIFY(writer.isValid());
    QVERIFY(!folder.openOwnCopy(terminalFileName, "program").isValid());
}

void tst_TempFolder::theLastLauncherToLeaveIsTold()
{
    const std::wstring path = nativePath(m_path);
    std::wstring samePathOtherCase = path;
    for (wchar_t &character : samePathOtherCase)
        character = wchar_t(std::towupper(character));
    auto first = std::make_unique<TempFolder>(path);
    auto second = std::make_unique<TempFolder>(samePathOtherCase);
    TempFolder elsewhere(path + L"\\elsewhere");

    QVERIFY(!first->lastToLeave());
    QVERIFY(elsewhere.lastToLeave());
    QVERIFY(second->lastToLeave());
    second.reset();
    first.reset();
    // Counted anew once every launcher of the folder has gone.
    TempFolder next(path);
    QVERIFY(next.lastToLeave());
}

QTEST_APPLESS_MAIN(tst_TempFolder)
#include "tst_tempfolder.moc"
