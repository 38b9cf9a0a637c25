// ShareCard: a sheet's phone link on the main screen (and so in the guests' kiosk view): its QR
// code, large enough to scan from a metre away, with the address in text beside it. It lies over
// the sheet, away from the live picture and the countdown, and goes by itself after a while, with
// the next touch or the next shot.
#pragma once

#include <QPainterPath>
#include <QRect>
#include <QTimer>
#include <QWidget>

class Booth;

class ShareCard : public QWidget {
    Q_OBJECT
public:
    /// Where the card lies on the 800 x 600 screen: over the sheet and the photo and frame keys.
    static constexpr QRect kPlace { 362, 56, 430, 454 };
    /// How long a link stays by default when nobody touches the screen (ms).
    static constexpr int kShownMs = 60000;

    /// Shows the links booth's sharing tells, on screen (a child of it, hidden until then).
    ShareCard(Booth& booth, QWidget* screen);

    /// Shows url's code (unless a shot is under way: it must not cover the countdown).
    void showLink(const QString& url);
    void dismiss();
    /// How long a link stays when nobody touches the screen (ms).
    void setTimeout(int ms) { m_timeoutMs = ms; }
    QString link() const { return m_link; }
    /// The code's side in screen pixels, quiet zone included (0 without a link).
    int codeSide() const { return m_codeSide; }
    /// Where the code is drawn, in the card's coordinates.
    QRect codeRect() const { return m_codeRect; }

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();

    Booth& m_booth;
    QString m_link;
    QPainterPath m_modules; ///< the code's dark modules at m_codeRect
    QRect m_codeRect;
    int m_codeSide = 0;
    int m_timeoutMs = kShownMs;
    QTimer m_timeout;
};
