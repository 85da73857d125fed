#pragma once
// The enlarged, resizable profile of one dive, opened from its record editor.
#include <QList>
#include <QWidget>

namespace Ui { class frmChart; }
class ProfileView;

class frmChart : public QWidget {
    Q_OBJECT
public:
    explicit frmChart(QWidget* parent = nullptr);
    ~frmChart() override;

    long UWTime() const;
    void setUWTime(long minutes);
    QList<float> DepthValues() const;
    void setDepthValues(const QList<float>& values);
    QList<float> TempValues() const;
    void setTempValues(const QList<float>& values);

    // Draws the chart again with the values held.
    void Redraw();
    ProfileView* graph() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void picCont_Resize();

    Ui::frmChart* ui;
};
