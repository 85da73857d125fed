#include "frmChart.h"

#include "ui_frmChart.h"

#include <QEvent>
#include <cmath>

frmChart::frmChart(QWidget* parent) : QWidget(parent, Qt::Window), ui(new Ui::frmChart)
{
    ui->setupUi(this);
    ui->picGraph->setKind(ProfileView::Kind::Chart);
    // picGraph keeps its left and top offsets from the designer; the rest follows picCont.
    ui->picCont->installEventFilter(this);
}

frmChart::~frmChart()
{
    delete ui;
}

long frmChart::UWTime() const
{
    return ui->picGraph->uwTime();
}

void frmChart::setUWTime(long minutes)
{
    ui->picGraph->setUWTime(minutes);
}

QList<float> frmChart::DepthValues() const
{
    return ui->picGraph->depths();
}

void frmChart::setDepthValues(const QList<float>& values)
{
    ui->picGraph->setDepths(values);
}

QList<float> frmChart::TempValues() const
{
    return ui->picGraph->temps();
}

void frmChart::setTempValues(const QList<float>& values)
{
    ui->picGraph->setTemps(values);
}

void frmChart::Redraw()
{
    ui->picGraph->redraw();
}

ProfileView* frmChart::graph() const
{
    return ui->picGraph;
}

void frmChart::picCont_Resize()
{
    // The right margin is 1.2 times the left one and the bottom margin 1.5 times the top.
    const QPoint offset = ui->picGraph->pos();
    const QSize cont = ui->picCont->size();
    const int width = int(std::lround(cont.width() - 2.2 * offset.x()));
    const int height = int(std::lround(cont.height() - 2.5 * offset.y()));
    const QSize graph(std::max(width, 0), std::max(height, 0));
    if (graph == ui->picGraph->size())
        Redraw();
    else
        ui->picGraph->resize(graph);  // its resize draws it
}

bool frmChart::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->picCont && event->type() == QEvent::Resize)
        picCont_Resize();
    return QWidget::eventFilter(watched, event);
}
