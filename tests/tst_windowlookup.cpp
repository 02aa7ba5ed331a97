#include "common/titles.h"
#include "launcher/unix/windowlookup.h"
#include "tests/support/xwindows.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

namespace {

const QString terminalTitle = QString::fromUtf8(titles::terminalWindow);

QList<quint32> idsOf(const std::optional<std::vector<TitledWindow>> &windows)
{
    QList<quint32> ids;
    for (const TitledWindow &window : windows.value_or(std::vector<TitledWindow>{}))
        ids.append(window.id);
    return ids;
}

} // namespace

class tst_WindowLookup : public QObject
{
    Q_OBJECT

private slots:
    void findsAQtWindowByItsExactTitle();
    void nearTitlesAreOtherWindows();
    void findsClientWindowsInsideFramesAndInTheClientList();
    void readsWmNameAsLatin1OrUtf8();
    void unreachableDisplayAnswersNothing();
};

void tst_WindowLookup::findsAQtWindowByItsExactTitle()
{
    XcbWindowFinder finder;
    QVERIFY(finder.find(titles::terminalWindow));
    QVERIFY(finder.find(titles::terminalWindow)->empty());

    QWindow window;
    window.setTitle(terminalTitle);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto found = finder.find(titles::terminalWindow);
    QVERIFY(found);
    QCOMPARE(idsOf(found), QList<quint32>{quint32(window.winId())});
    QCOMPARE(found->front().processId, QCoreApplication::applicationPid());

    // A hidden window is still there; a destroyed one is not.
    window.hide();
    QTRY_COMPARE(idsOf(finder.find(titles::terminalWindow)).size(), 1);
    window.destroy();
    QTRY_VERIFY(idsOf(finder.find(titles::terminalWindow)).isEmpty());
}

void tst_WindowLookup::nearTitlesAreOtherWindows()
{
    const QStringList nearTitles{
        QStringLiteral("Varnica Dravik制作：V1.2 2008-09-28 单文件版"), // one blank
        terminalTitle + ' ',
        QString(terminalTitle).replace(QStringLiteral("："), QStringLiteral(":")),
        terminalTitle.chopped(1),
    };
    std::vector<std::unique_ptr<QWindow>> windows;
    for (const QString &title : nearTitles) {
        windows.push_back(std::make_unique<QWindow>());
        windows.back()->setTitle(title);
        windows.back()->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows.back().get()));
    }

    XcbWindowFinder finder;
    QCOMPARE(idsOf(finder.find(titles::terminalWindow)), QList<quint32>());
    for (size_t i = 0; i < windows.size(); ++i)
        QCOMPARE(idsOf(finder.find(nearTitles[int(i)].toStdString())),
                 QList<quint32>{quint32(windows[i]->winId())});
}

// How a reparenting window manager keeps the windows: a frame at the root
// holds the client, sometimes through a wrapper.
void tst_WindowLookup::findsClientWindowsInsideFramesAndInTheClientList()
{
    XWindows x;
    QVERIFY(x.isValid());
    const QByteArray title = titles::terminalWindow;
    const xcb_window_t inFrame = x.create(x.create(x.root()));
    const xcb_window_t inWrapper = x.create(x.create(x.create(x.root())));
    const xcb_window_t deep = x.create(x.create(x.create(x.create(x.root()))));
    for (xcb_window_t window : {inFrame, inWrapper, deep})
        x.setText(window, "_NET_WM_NAME", "UTF8_STRING", title);
    x.sync();

    XcbWindowFinder finder;
    const auto found = finder.find(titles::terminalWindow);
    QVERIFY(found);
    QCOMPARE(idsOf(found), (QList<quint32>{inFrame, inWrapper}));
    QCOMPARE(found->front().processId, 0); // these windows do not name their process

    x.setWindows(x.root(), "_NET_CLIENT_LIST", {deep});
    x.sync();
    QCOMPARE(idsOf(finder.find(titles::terminalWindow)),
             (QList<quint32>{inFrame, inWrapper, deep}));
    x.removeProperty(x.root(), "_NET_CLIENT_LIST");
    x.sync();
}

void tst_WindowLookup::readsWmNameAsLatin1OrUtf8()
{
    XWindows x;
    QVERIFY(x.isValid());
    const xcb_window_t utf8 = x.create(x.root());
    x.setText(utf8, "WM_NAME", "UTF8_STRING", titles::terminalWindow);
    const QString cafe = QStringLiteral("Varnica Café");
    const xcb_window_t latin1 = x.create(x.root());
    x.setText(latin1, "WM_NAME", "STRING", cafe.toLatin1());
    // UTF-8 bytes labelled Latin-1 read as other characters.
    const xcb_window_t mislabelled = x.create(x.root());
    x.setText(mislabelled, "WM_NAME", "STRING", cafe.toUtf8());
    x.sync();

    XcbWindowFinder finder;
    QCOMPARE(idsOf(finder.find(titles::terminalWindow)), QList<quint32>{utf8});
    QCOMPARE(idsOf(finder.find(cafe.toStdString())), QList<quint32>{latin1});
}

void tst_WindowLookup::unreachableDisplayAnswersNothing()
{
    XcbWindowFinder finder(":9731");
    QVERIFY(!finder.find(titles::terminalWindow));
    QVERIFY(!finder.find(titles::terminalWindow)); // and stays so
}

QTEST_MAIN(tst_WindowLookup)
#include "tst_windowlookup.moc"
