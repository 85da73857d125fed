#pragma once
// A pair of small arrow buttons that step the whole number in a text box.
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int step READ step WRITE setStep)
public:
    explicit UpDown(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* box);
    QLineEdit* buddy() const;
    void setRange(int minimum, int maximum);
    void setMinimum(int minimum) { setRange(minimum, qMax(minimum, m_maximum)); }
    void setMaximum(int maximum) { setRange(qMin(m_minimum, maximum), maximum); }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setStep(int step) { m_step = step; }
    int step() const { return m_step; }

public slots:
    void stepUp() { stepBy(m_step); }
    void stepDown() { stepBy(-m_step); }

private:
    void stepBy(int delta);

    QToolButton* m_up;
    QToolButton* m_down;
    QPointer<QLineEdit> m_buddy;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_step = 1;
};
