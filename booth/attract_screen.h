// AttractScreen: what the idle booth shows guests passing by. A slideshow of the event's newest
// sheets and shots, each laid on the night blue like a print, under a "Touch to start" line.
#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>

/// The newest pictures of the event, newest first and at most limit: the sheets saved in
/// saveFolder and the composed shots of the shot archive for day (the archive's newest day when
/// day has none yet).
QStringList RecentEventPictures(const QString& saveFolder, const QDate& day, int limit = 24);

class AttractScreen : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSlideMs = 5000;
    static constexpr int kFadeMs = 700;

    explicit AttractScreen(QWidget* parent = nullptr);

    void setPictures(const QStringList& files);
    const QStringList& pictures() const { return m_files; }
    /// Starts the slideshow at the newest picture; stop() holds it.
    void start();
    void stop();
    /// The picture shown (index into pictures(); -1 without any).
    int currentIndex() const { return m_index; }
    /// Moves on to the next picture now, as the slide timer does.
    void showNext();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QImage loadFitted(int index) const;
    QRect pictureBox() const;
    void drawPrint(QPainter& p, const QImage& picture, qreal opacity, int turn) const;
    void drawInvitation(QPainter& p) const;
    void drawNoPictures(QPainter& p) const;

    QStringList m_files;
    int m_index = -1;
    QImage m_current, m_previous;
    QTimer m_slide;
    QTimer m_tick;
    QElapsedTimer m_sinceChange;
    QElapsedTimer m_clock;
};
