#include "UpDown.h"

#include "WidgetRoutines.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

UpDown::UpDown(QWidget* parent) : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const std::pair<QToolButton*, Qt::ArrowType> buttons[] = {{m_up, Qt::UpArrow}, {m_down, Qt::DownArrow}};
    for (const auto& [button, arrow] : buttons) {
        button->setObjectName(arrow == Qt::UpArrow ? QStringLiteral("cmdUp") : QStringLiteral("cmdDown"));
        button->setArrowType(arrow);
        // The box keeps the focus: clicking an arrow must not count as leaving it.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        // The arrows share the height of the row they stand in, whatever their own hint.
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        button->setFixedWidth(16);
        button->setMinimumHeight(8);
        layout->addWidget(button);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setBuddy(QLineEdit* box)
{
    m_buddy = box;
}

QLineEdit* UpDown::buddy() const
{
    return m_buddy;
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
}

void UpDown::stepBy(int delta)
{
    if (!m_buddy)
        return;
    bool ok = false;
    const double read = m_buddy->text().trimmed().toDouble(&ok);
    const double start = ok && std::isfinite(read) ? std::round(read) : double(m_minimum);
    const double next = std::clamp(start + delta, double(m_minimum), double(m_maximum));
    m_buddy->setText(QString::number(qint64(next)));
    m_buddy->setFocus(Qt::OtherFocusReason);
    SelectText(m_buddy);
}
