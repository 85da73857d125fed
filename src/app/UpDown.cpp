#include "UpDown.h"

#include "TextReaders.h"
#include "WidgetRoutines.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

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
    const std::optional<double> number = NumberIn(m_buddy->text());
    const double read = number.value_or(0);
    std::optional<double> next;
    if (!number) {
        next = std::clamp(double(m_minimum) + delta, double(m_minimum), double(m_maximum));
    } else if (delta > 0 ? read < m_maximum : read > m_minimum) {
        // Clamped only on the side the step goes to: a value typed beyond the range comes
        // back by one step at a time, and no step goes the wrong way.
        const double stepped = std::round(read) + delta;
        next = delta > 0 ? std::min(stepped, double(m_maximum)) : std::max(stepped, double(m_minimum));
    }
    if (next)
        m_buddy->setText(QString::number(*next, 'f', 0));
    m_buddy->setFocus(Qt::OtherFocusReason);
    SelectText(m_buddy);
}
