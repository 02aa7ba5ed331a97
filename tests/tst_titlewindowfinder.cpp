#include "common/titles.h"
#include "launcher/windows/windowfinder.h"

#include <QTest>

#include <windows.h>

namespace {

// A top-level window of this process with the given title, gone with the object.
class TitledTopLevel
{
public:
    explicit TitledTopLevel(const QString &title)
    {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.lpfnWndProc = ::DefWindowProcW;
            description.hInstance = ::GetModuleHandleW(nullptr);
            description.lpszClassName = L"tst_TitleWindowFinder";
            return ::RegisterClassW(&description);
        }();
        m_window = ::CreateWindowExW(0, MAKEINTATOM(windowClass), qUtf16Printable(title),
                                     WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
    }
    ~TitledTopLevel() { ::DestroyWindow(m_window); }
    HWND window() const { return m_window; }

private:
    HWND m_window = nullptr;
};

} // namespace

class tst_TitleWindowFinder : public QObject
{
    Q_OBJECT

private slots:
    void findsTheWindowsTitledExactly_data();
    void findsTheWindowsTitledExactly();
};

// Run where the system's code page is GBK (936), which spells the title.
void tst_TitleWindowFinder::findsTheWindowsTitledExactly_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("found");
    const QString title = QString::fromUtf8(titles::terminalWindow);
    QTest::newRow("none") << QStringList() << 0;
    QTest::newRow("the title") << QStringList{title} << 1;
    QTest::newRow("two with the title and others")
        << QStringList{title, "Varnica", title, title + " "} << 2;
    QTest::newRow("other case") << QStringList{title.toUpper()} << 0;
    QTest::newRow("one blank after Varnica") << QStringList{QString(title).replace("  ", " ")} << 0;
}

void tst_TitleWindowFinder::findsTheWindowsTitledExactly()
{
    QFETCH(QStringList, titles);
    QFETCH(int, found);
    QCOMPARE(::GetACP(), 936u);
    std::vector<std::unique_ptr<TitledTopLevel>> windows;
    for (const QString &title : std::as_const(titles)) {
        windows.push_back(std::make_unique<TitledTopLevel>(title));
        QVERIFY(windows.back()->window());
    }

    TitleWindowFinder finder;
    const std::optional<std::vector<TitledWindow>> matches = finder.find(titles::terminalWindow);
    QVERIFY(matches);
    QCOMPARE(int(matches->size()), found);
    for (const TitledWindow &match : *matches)
        QCOMPARE(DWORD(match.processId), ::GetCurrentProcessId());
    windows.clear();
    QVERIFY(finder.find(titles::terminalWindow)->empty());
}

QTEST_APPLESS_MAIN(tst_TitleWindowFinder)
#include "tst_titlewindowfinder.moc"
