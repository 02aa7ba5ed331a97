#include "launcher/unix/privatefolder.h"
#include "tests/support/fileprobe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;
const std::string carried = "\177ELF carried bytes\n";

bool writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           file.setPermissions(permissions);
}

class UmaskScope
{
public:
    explicit UmaskScope(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

} // namespace

class tst_PrivateFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void temporaryRootPrefersTempThenThePlatformFolder_data();
    void temporaryRootPrefersTempThenThePlatformFolder();
    void opensItsOwnFolderShutToOthers_data();
    void opensItsOwnFolderShutToOthers();
    void refusesAFolderItCannotTrust_data();
    void refusesAFolderItCannotTrust();
    void createsFilesWithExactModesAndNeverOverSomething();
    void vouchesOnlyForItsOwnExactCopy_data();
    void vouchesOnlyForItsOwnExactCopy();
    void removesWhatMatchesThePatternOnly();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::string root() const { return m_root->path().toStdString(); }
    QString privatePath() const
    {
        return m_root->filePath(QString::fromStdString(PrivateFolder::nameFor(::geteuid())));
    }
    static QString pathOf(const std::unique_ptr<PrivateFolder> &folder, const char *name)
    {
        return QString::fromStdString(folder->filePath(name));
    }
};

void tst_PrivateFolder::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
}

void tst_PrivateFolder::temporaryRootPrefersTempThenThePlatformFolder_data()
{
    QTest::addColumn<QByteArray>("temp"); // a null array: not set
    QTest::addColumn<QByteArray>("tmpdir");
    QTest::addColumn<QByteArray>("root");

    QTest::newRow("temp set") << QByteArray("/data/t") << QByteArray("/x") << QByteArray("/data/t");
    QTest::newRow("temp empty") << QByteArray("") << QByteArray("/x") << QByteArray("/x");
    QTest::newRow("temp unset") << QByteArray() << QByteArray("/x") << QByteArray("/x");
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray("/tmp");
    QTest::newRow("TMPDIR empty") << QByteArray() << QByteArray("") << QByteArray("/tmp");
}

void tst_PrivateFolder::temporaryRootPrefersTempThenThePlatformFolder()
{
    QFETCH(QByteArray, temp);
    QFETCH(QByteArray, tmpdir);
    QTEST(QByteArray::fromStdString(temporaryRoot(temp.isNull() ? nullptr : temp.constData(),
                                                  tmpdir.isNull() ? nullptr : tmpdir.constData())),
          "root");
}

void tst_PrivateFolder::opensItsOwnFolderShutToOthers_data()
{
    QTest::addColumn<int>("mask");
    QTest::newRow("open umask") << 0;
    QTest::newRow("usual umask") << 022;
    QTest::newRow("umask taking the owner's bits") << 0777;
}

void tst_PrivateFolder::opensItsOwnFolderShutToOthers()
{
    QFETCH(int, mask);
    {
        const UmaskScope scope{mode_t(mask)};
        const auto folder = PrivateFolder::open(root());
        QVERIFY(folder);
        QCOMPARE(QString::fromStdString(folder->path()), privatePath());
        QCOMPARE(pathOf(folder, "a.exe"), privatePath() + "/a.exe");
    }
    QCOMPARE(modeOf(privatePath()), mode_t(0700));
    // Used again as it is, by one launcher after another or by two at once:
    // then the one that leaves last is told so.
    auto first = PrivateFolder::open(root());
    auto second = PrivateFolder::open(root());
    QVERIFY(first && second);
    QVERIFY(!first->lastToLeave());
    second.reset();
    QVERIFY(first->lastToLeave());

    // The last to leave deletes the folder; a launcher that was waiting to
    // open it meanwhile works in a new one.
    std::unique_ptr<PrivateFolder> waiting;
    std::thread opener([&] { waiting = PrivateFolder::open(root()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // it waits for the lock
    first->removeItselfIfEmpty();
    first.reset();
    opener.join();
    QVERIFY(waiting);
    QVERIFY(waiting->create("a.exe", {}, WorkFolder::FileKind::Data));
    QVERIFY(QFile::exists(privatePath() + "/a.exe"));
    waiting->remove("a.exe");
    QVERIFY(waiting->lastToLeave());
    waiting->removeItselfIfEmpty();
    QVERIFY(!QDir(privatePath()).exists());
}

void tst_PrivateFolder::refusesAFolderItCannotTrust_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a folder of the user's") << "link";
    QTest::newRow("open to others") << "0707";
    QTest::newRow("readable by the group") << "0740";
    QTest::newRow("owned by someone else") << "nobody";
    QTest::newRow("a plain file") << "file";
    QTest::newRow("no temporary folder") << "missing root";
}

void tst_PrivateFolder::refusesAFolderItCannotTrust()
{
    QFETCH(QString, kind);
    const QByteArray path = QFile::encodeName(privatePath());
    const QString elsewhere = m_root->filePath("elsewhere");
    QVERIFY(QDir().mkdir(elsewhere));
    QVERIFY(
        QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(writeFile(elsewhere + "/DravikVarnicaV1.2.exe", "#!/bin/sh\n", QFile::ExeOwner));

    QString rootPath = m_root->path();
    if (kind == "link") {
        QVERIFY(QFile::link(elsewhere, privatePath()));
    } else if (kind == "file") {
        QVERIFY(writeFile(privatePath(), "x", QFile::ReadOwner));
    } else if (kind == "missing root") {
        rootPath = m_root->filePath("not-there");
    } else {
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
        if (kind == "nobody") {
            if (::geteuid() != 0)
                QSKIP("handing a folder to another user needs root");
            QCOMPARE(::chown(path.constData(), nobody, nobody), 0);
        } else {
            QCOMPARE(::chmod(path.constData(), mode_t(kind.toInt(nullptr, 8))), 0);
        }
    }
    QVERIFY(!PrivateFolder::open(rootPath.toStdString()));
    QVERIFY(QFile::exists(elsewhere + "/DravikVarnicaV1.2.exe"));
}

void tst_PrivateFolder::createsFilesWithExactModesAndNeverOverSomething()
{
    const UmaskScope scope{0777};
    const auto folder = PrivateFolder::open(root());
    QVERIFY(folder);
    QVERIFY(folder->create("p.exe", carried, WorkFolder::FileKind::Program));
    QVERIFY(folder->create("c.ocx", carried, WorkFolder::FileKind::Data));
    QVERIFY(folder->create("plugins/platforms/q.so", carried, WorkFolder::FileKind::Data));
    QCOMPARE(modeOf(pathOf(folder, "p.exe")), mode_t(0700));
    QCOMPARE(modeOf(pathOf(folder, "c.ocx")), mode_t(0600));
    QCOMPARE(modeOf(pathOf(folder, "plugins")), mode_t(0700));
    QCOMPARE(modeOf(pathOf(folder, "plugins/platforms")), mode_t(0700));
    QVERIFY(folder->holdsCopyOf("p.exe", carried));
    QVERIFY(folder->holdsCopyOf("plugins/platforms/q.so", carried));
    QVERIFY(folder->exists("c.ocx"));
    QVERIFY(!folder->exists("other"));

    // Present already: left as it is.
    QVERIFY(!folder->create("p.exe", "other bytes", WorkFolder::FileKind::Program));
    QVERIFY(folder->holdsCopyOf("p.exe", carried));
    // A link in the name's place, or in a folder's on its way, is not
    // followed, even when it leads nowhere yet; nor is a way out of the folder.
    const QString target = m_root->filePath("target");
    QVERIFY(QFile::link(target, pathOf(folder, "link.exe")));
    QVERIFY(QFile::link(target, pathOf(folder, "linked")));
    QVERIFY(folder->exists("link.exe"));
    for (const char *name : {"link.exe", "linked/q.so", "../escaped", "plugins//q.so"})
        QVERIFY2(!folder->create(name, carried, WorkFolder::FileKind::Data), name);
    QVERIFY(!QFile::exists(target));
    QVERIFY(!QFile::exists(m_root->filePath("escaped")));

    // A folder goes once it is empty.
    folder->removeFolder("plugins/platforms");
    QVERIFY(folder->exists("plugins/platforms"));
    folder->remove("plugins/platforms/q.so");
    folder->removeFolder("plugins/platforms");
    folder->removeFolder("plugins");
    QVERIFY(!folder->exists("plugins"));
}

void tst_PrivateFolder::vouchesOnlyForItsOwnExactCopy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("vouched");
    QTest::newRow("exact copy") << "copy" << true;
    QTest::newRow("same size, one byte changed") << "changed" << false;
    QTest::newRow("one byte longer") << "longer" << false;
    QTest::newRow("one byte shorter") << "shorter" << false;
    QTest::newRow("link to an exact copy") << "link" << false;
    QTest::newRow("writable by the group") << "group writable" << false;
    QTest::newRow("owned by someone else") << "nobody" << false;
    QTest::newRow("a folder") << "folder" << false;
    QTest::newRow("a pipe") << "pipe" << false;
    QTest::newRow("absent") << "absent" << false;
}

void tst_PrivateFolder::vouchesOnlyForItsOwnExactCopy()
{
    QFETCH(QString, kind);
    const auto folder = PrivateFolder::open(root());
    QVERIFY(folder);
    const QString path = pathOf(folder, "t.exe");
    const QByteArray encodedPath = QFile::encodeName(path);
    const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QByteArray bytes = QByteArray::fromStdString(carried);
    if (kind == "changed")
        bytes[5] = 'X';
    else if (kind == "longer")
        bytes += '\0';
    else if (kind == "shorter")
        bytes.chop(1);

    if (kind == "link") {
        QVERIFY(writeFile(m_root->filePath("copy"), QByteArray::fromStdString(carried), owner));
        QVERIFY(QFile::link(m_root->filePath("copy"), path));
    } else if (kind == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == "pipe") {
        QCOMPARE(::mkfifo(encodedPath.constData(), 0600), 0);
    } else if (kind != "absent") {
        QVERIFY(writeFile(path, bytes, owner));
    }
    if (kind == "group writable")
        QCOMPARE(::chmod(encodedPath.constData(), 0720), 0);
    if (kind == "nobody") {
        if (::geteuid() != 0)
            QSKIP("handing a file to another user needs root");
        QCOMPARE(::chown(encodedPath.constData(), nobody, nobody), 0);
    }

    QFETCH(bool, vouched);
    QCOMPARE(folder->holdsCopyOf("t.exe", carried), vouched);
    QCOMPARE(folder->openOwnCopy("t.exe", carried).isValid(), vouched);
}

void tst_PrivateFolder::removesWhatMatchesThePatternOnly()
{
    const auto folder = PrivateFolder::open(root());
    QVERIFY(folder);
    const QString path = QString::fromStdString(folder->path());
    const QStringList matching{"DravikVarnicaV1.0.exe", "DravikVarnicaV1.2.exe",
                               "DravikVarnica.exe", "DravikVarnica 2.exe"};
    const QStringList others{"DravikVarnicaV1.2.exe.bak", "xDravikVarnica.exe",
                             "dravikvarnicaV1.0.exe", "DravikVarnicaV1.0.EXE", "mscomm32.ocx"};
    for (const QString &name : matching + others)
        QVERIFY(writeFile(path + '/' + name, "x", QFile::ReadOwner | QFile::WriteOwner));
    // One that cannot be deleted does not stop the others.
    QVERIFY(QDir().mkdir(path + "/DravikVarnicaAFolder.exe"));

    folder->removeMatching("DravikVarnica*.exe");
    QStringList left = QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    left.sort();
    QStringList expected = others + QStringList{"DravikVarnicaAFolder.exe"};
    expected.sort();
    QCOMPARE(left, expected);

    folder->remove("mscomm32.ocx");
    QVERIFY(!folder->exists("mscomm32.ocx"));
}

QTEST_APPLESS_MAIN(tst_PrivateFolder)
#include "tst_privatefolder.moc"
