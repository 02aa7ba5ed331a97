// How the window behaves: layout on resize, the split bar, the logo timer,
// always-on-top and the feedback link.
#include "window/mainfom.h"

#include "receive/receiveview.h"
#include "send/sendbox.h"
#include "widgets/linklabel.h"
#include "widgets/splitbar.h"
#include "widgets/twips.h"
#include "window/logoblink.h"
#include "window/windowlayout.h"
#include "window/windowstacking.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QUrl>

namespace {

// The maker's page for leaving messages.
const QUrl feedbackPage(QStringLiteral("http://dravik.blog.example/guestbook"));

int topOf(const QWidget *widget)
{
    return twips::fromPixels(widget->y());
}

void setTop(QWidget *widget, int top)
{
    widget->move(widget->x(), twips::toPixels(top));
}

windowlayout::Placement placementOf(const MainFom &window)
{
    windowlayout::Placement p;
    p.statusFrameTop = topOf(window.StaFra);
    p.sendFrameTop = topOf(window.SFra);
    p.ontopTop = topOf(window.OntopChk);
    p.sendButtonTop = topOf(window.SCmd);
    p.sendButtonLeft = twips::fromPixels(window.SCmd->x());
    p.linkTop = topOf(window.dravikZZlab);
    p.correctionLeft = twips::fromPixels(window.GZFra->x());
    p.correctionTop = topOf(window.GZFra);
    p.barWidth = twips::fromPixels(window.TXTSol->width());
    p.barHeight = twips::fromPixels(window.TXTSol->height());
    p.barMaximum = window.TXTSol->maximum();
    // While a drag is reported the position is ahead of the Value.
    p.barValue = window.TXTSol->sliderPosition();
    p.receiveWidth = twips::fromPixels(window.RTxt->width());
    p.receiveHeight = twips::fromPixels(window.RTxt->height());
    p.sendTop = topOf(window.STxt);
    p.sendWidth = twips::fromPixels(window.STxt->width());
    p.sendHeight = twips::fromPixels(window.STxt->height());
    return p;
}

void applyPlacement(MainFom &window, const windowlayout::Placement &p)
{
    setTop(window.StaFra, p.statusFrameTop);
    setTop(window.SFra, p.sendFrameTop);
    setTop(window.OntopChk, p.ontopTop);
    window.SCmd->move(twips::toPixels(p.sendButtonLeft), twips::toPixels(p.sendButtonTop));
    setTop(window.dravikZZlab, p.linkTop);
    window.GZFra->move(twips::toPixels(p.correctionLeft), twips::toPixels(p.correctionTop));
    window.TXTSol->resize(twips::toPixels(p.barWidth), twips::toPixels(p.barHeight));
    // Max first: a lower Max pulls the Value down with it, a higher one
    // makes room for the new Value.
    if (window.TXTSol->maximum() != p.barMaximum)
        window.TXTSol->setMaximum(p.barMaximum);
    if (window.TXTSol->sliderPosition() != p.barValue)
        window.TXTSol->setValue(p.barValue);
    window.RTxt->resize(twips::toPixels(p.receiveWidth), twips::toPixels(p.receiveHeight));
    window.STxt->setGeometry(window.STxt->x(), twips::toPixels(p.sendTop),
                             twips::toPixels(p.sendWidth), twips::toPixels(p.sendHeight));
}

} // namespace

void MainFom::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void MainFom::FormResize()
{
    if (!TXTSol)
        return; // still being built
    QSize client = size();
    // Never smaller than at start. The minimum size keeps the user from it;
    // this catches a window system that ignores the hint. A minimised
    // window keeps its size.
    if (!isMinimized()) {
        const QSize smallest = client.expandedTo(windowlayout::minimumClientPixels());
        if (smallest != client) {
            client = smallest;
            resize(client);
        }
    }
    const QSize outer = windowlayout::outerTwips(client);
    applyPlacement(*this,
                   windowlayout::placeForSize(placementOf(*this), outer.width(), outer.height()));
    // The send button moves with the window's width, and the maker's label
    // before it has more room or less.
    giveLabelsRoom();
}

void MainFom::TXTSolScroll()
{
    applyPlacement(*this, windowlayout::placeForBoundary(placementOf(*this)));
}

// Nothing that these handlers do throws. The steps that can fail say so by
// their result and are passed over: a window manager that does not honour
// the topmost request leaves the window in the ordinary stacking, and a
// desktop without a browser leaves the link without effect.
void MainFom::LOGOTimerTimer()
{
    HoldTimeoutStep();
    AutoClearStep();
    dravikZZlab->setForeColor(logoblink::nextColor(dravikZZlab->foreColor()));
}

void MainFom::OntopChkClick()
{
    windowstacking::setTopmost(this, OntopChk->checkState() != Qt::Unchecked);
}

void MainFom::dravikZZlabClick()
{
    // The platform opens the page in the user's browser and returns at once.
    QDesktopServices::openUrl(feedbackPage);
}
