#include "ProfileView.h"

#include "ProfileChart.h"

#include <QPainter>

ProfileView::ProfileView(QWidget* parent) : QWidget(parent)
{
    // The picture covers the whole surface; nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProfileView::setValues(long uwTime, const QList<float>& depths, const QList<float>& temps)
{
    m_uwTime = uwTime;
    m_depths = depths;
    m_temps = temps;
}

void ProfileView::redraw()
{
    const QSize area = size();
    if (area.isEmpty()) {
        m_picture = QImage();
    } else if (m_kind == Kind::Chart) {
        m_picture = RenderChart(area, m_uwTime, m_depths, m_temps);
    } else {
        m_picture = QImage(area, QImage::Format_RGB32);
        m_picture.fill(Qt::white);
        QPainter painter(&m_picture);
        DrawGraphBack(painter, area);
        m_timeCaptions = DrawGraph(painter, area, m_uwTime, m_depths, m_temps);
    }
    update();
    emit redrawn();
}

void ProfileView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.size() != size())
        painter.fillRect(rect(), palette().color(QPalette::Base));
    if (!m_picture.isNull())
        painter.drawImage(0, 0, m_picture);
}

void ProfileView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    redraw();
}
