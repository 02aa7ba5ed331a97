#include "tests/support/terminalonline.h"

#include "receive/receiveview.h"
#include "serial/mscomm.h"
#include "tests/support/testcatalog.h"
#include "widgets/autosizelabel.h"

#include <QPushButton>
#include <QTest>

TerminalOnLine::TerminalOnLine()
{
    window.setDialogs(std::make_unique<RecordingDialogs>(&dialogs));
    useDevices({line.devicePath()});
}

void TerminalOnLine::useDevices(const QStringList &devices)
{
    window.MSComm1->setPortCatalog(TestCatalog::of(devices));
}

bool TerminalOnLine::show()
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

bool TerminalOnLine::open()
{
    window.OCCOMCmd->click();
    return window.MSComm1->portOpen() && window.SCmd->isEnabled();
}

bool TerminalOnLine::receive(const QByteArray &bytes, int timeoutMs)
{
    const QString counted = QString::number(window.RXLab->text().toLongLong() + bytes.size());
    return line.write(bytes) &&
           QTest::qWaitFor([&] { return window.RXLab->text() == counted; }, timeoutMs);
}

QByteArray TerminalOnLine::sent(qsizetype count, int timeoutMs)
{
    return line.readExactly(count, timeoutMs);
}

QByteArray TerminalOnLine::straggling()
{
    return line.read(300, 50);
}

QString TerminalOnLine::shown() const
{
    return window.RTxt->text();
}
