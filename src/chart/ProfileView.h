#pragma once
// A surface that keeps a drawn profile as a picture: the record editor's small graph or
// the chart window's enlarged one. It is drawn again when asked and when resized, and
// shows the picture it holds, so the drawing can also be read back for files.
#include <QImage>
#include <QList>
#include <QStringList>
#include <QWidget>

class ProfileView : public QWidget {
    Q_OBJECT
public:
    enum class Kind { EditorGraph, Chart };

    explicit ProfileView(QWidget* parent = nullptr);

    void setKind(Kind kind) { m_kind = kind; }
    void setValues(long uwTime, const QList<float>& depths, const QList<float>& temps);
    long uwTime() const { return m_uwTime; }
    const QList<float>& depths() const { return m_depths; }
    const QList<float>& temps() const { return m_temps; }
    void setUWTime(long minutes) { m_uwTime = minutes; }
    void setDepths(const QList<float>& values) { m_depths = values; }
    void setTemps(const QList<float>& values) { m_temps = values; }

    // Draws the picture again with the values held.
    void redraw();
    const QImage& picture() const { return m_picture; }
    // Captions of the time labels 1 to 8 from the last editor-graph drawing.
    const QStringList& timeCaptions() const { return m_timeCaptions; }

signals:
    void redrawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Kind m_kind = Kind::EditorGraph;
    long m_uwTime = 0;
    QList<float> m_depths, m_temps;
    QImage m_picture;
    QStringList m_timeCaptions;
};
