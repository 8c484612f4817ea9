// The gradient button rendered in each look and checked pixel by pixel, its hover rules, clicks and properties.
#include "ui/button_colors.h"
#include "ui/ordavo_fonts.h"
#include "ui/xp_button.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace ButtonColors;

namespace {

constexpr int W = 120;
constexpr int H = 32;

QColor At(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

QImage Solid(int w, int h, const QColor& colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void SendMove(QWidget* widget, const QPoint& at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

struct FramePixel {
    QPoint at;
    QColor hot;
    QColor focus;
};

// Outer ring A-D and inner ring E-H of a 120 x 32 button, one pixel of each line.
const FramePixel kFramePixels[] = {
    {{10, 1}, {255, 240, 207}, {206, 231, 255}},  // A outer top
    {{117, 10}, {250, 197, 90}, {141, 175, 229}}, // B outer right
    {{10, 29}, {229, 151, 0}, {105, 130, 238}},   // C outer bottom
    {{1, 10}, {253, 219, 143}, {152, 184, 234}},  // D outer left
    {{10, 2}, {253, 216, 137}, {188, 212, 246}},  // E inner top
    {{116, 10}, {249, 185, 62}, {139, 173, 228}}, // F inner right
    {{10, 28}, {248, 179, 48}, {137, 173, 228}},  // G inner bottom
    {{2, 10}, {251, 202, 106}, {139, 173, 228}},  // H inner left
};

} // namespace

class TestXpButton : public QObject {
    Q_OBJECT

private:
    QWidget* window_ = nullptr;
    TXpButton* button_ = nullptr;

    QImage Render() { return button_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QColor RowColour(int y) const
    {
        return GradientRowColor(ComputeGradient(button_->clrStartColor(), button_->clrEndColor()), y, H);
    }

private slots:
    void initTestCase() { InstallOrdavoFonts(); }

    void init()
    {
        window_ = new QWidget;
        window_->resize(300, 100);
        button_ = new TXpButton(window_);
        button_->setGeometry(20, 20, W, H);
        button_->setFocusPolicy(Qt::NoFocus);
    }

    void cleanup()
    {
        delete window_;
        window_ = nullptr;
    }

    void initialProperties()
    {
        QCOMPARE(button_->clrStartColor(), QColor(255, 255, 255));
        QCOMPARE(button_->clrEndColor(), QColor(214, 208, 197));
        QCOMPARE(button_->clrDownColor(), QColor(227, 227, 218));
        QCOMPARE(button_->clrBorderColor(), QColor(0, 60, 116));
        QCOMPARE(button_->disabledBorderColor(), QColor(201, 199, 186));
        QCOMPARE(button_->align(), TXpButton::caCenter);
        QVERIFY(!button_->showBorder());
        QCOMPARE(button_->pictureLeft(), 0);
        QCOMPARE(button_->pictureTop(), 0);
    }

    void gradientRowsAndUntouchedLastRow()
    {
        button_->setClrStartColor(QColor(0x08, 0x74, 0xB5));
        button_->setClrEndColor(QColor(0x01, 0x41, 0x67));
        const QImage image = Render();
        // Row 0 beside the top border line, inner rows in the middle, the last painted row beside the bottom line.
        QCOMPARE(At(image, W - 3, 0), RowColour(0));
        for (int y : {2, 9, 16, 27})
            QCOMPARE(At(image, W / 2, y), RowColour(y));
        QCOMPARE(At(image, W - 3, H - 2), RowColour(H - 2));
        QCOMPARE(At(image, W / 2, H - 1), QColor(Qt::white));
        QCOMPARE(At(image, 5, H - 1), QColor(Qt::white));
    }

    void redToBlack()
    {
        button_->setClrStartColor(Qt::red);
        button_->setClrEndColor(Qt::black);
        const QImage image = Render();
        QCOMPARE(At(image, W - 3, 0), QColor(255, 0, 0));
        const QColor last = At(image, W - 3, H - 2);
        QVERIFY(last != QColor(0, 0, 0));
        QVERIFY2(last.red() < 32 && last.green() == 0 && last.blue() == 0, qPrintable(last.name()));
    }

    void equalColoursFlipEndColour()
    {
        button_->setClrEndColor(Qt::white);
        QCOMPARE(button_->clrEndColor(), QColor(254, 254, 254));
        button_->setClrEndColor(QColor(10, 20, 30));
        button_->setClrStartColor(QColor(10, 20, 30));
        QCOMPARE(button_->clrEndColor(), QColor(11, 21, 31));

        button_->setClrStartColor(Qt::white);
        button_->setClrEndColor(Qt::white);
        const QImage image = Render();
        QCOMPARE(At(image, W / 2, 2), QColor(255, 255, 255));
        QCOMPARE(At(image, W / 2, 20), QColor(254, 254, 254));
    }

    void borderColorIsOneStorage()
    {
        button_->setBorderColor(Qt::red);
        QCOMPARE(button_->clrBorderColor(), QColor(Qt::red));
        button_->setProperty("clrBorderColor", QColor(Qt::blue));
        QCOMPARE(button_->property("BorderColor").value<QColor>(), QColor(Qt::blue));
        const QImage image = Render();
        QCOMPARE(At(image, W / 2, 0), QColor(Qt::blue));
        QCOMPARE(At(image, 0, H / 2), QColor(Qt::blue));
        QCOMPARE(At(image, W - 2, H / 2), QColor(Qt::blue));
        QCOMPARE(At(image, W / 2, H - 2), QColor(Qt::blue));
    }

    void hotFrame()
    {
        SendMove(button_, QPoint(10, 10));
        QVERIFY(button_->isHot());
        const QImage image = Render();
        for (const FramePixel& pixel : kFramePixels)
            QCOMPARE(At(image, pixel.at.x(), pixel.at.y()), pixel.hot);
        QCOMPARE(At(image, 20, 10), RowColour(10));
    }

    void focusFrameAndFocusRectangle()
    {
        button_->setFocusPolicy(Qt::StrongFocus);
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        button_->setFocus();
        QVERIFY(button_->hasFocus());
        const QImage image = Render();
        for (const FramePixel& pixel : kFramePixels)
            QCOMPARE(At(image, pixel.at.x(), pixel.at.y()), pixel.focus);
        // The dotted focus rectangle starts at (3, 3) and inverts every other pixel.
        QCOMPARE(image.pixel(3, 3) & 0xFFFFFF, (RowColour(3).rgb() & 0xFFFFFF) ^ 0xFFFFFF);
        QCOMPARE(At(image, 4, 3), RowColour(3));
        QCOMPARE(image.pixel(W - 5, 5) & 0xFFFFFF, (RowColour(5).rgb() & 0xFFFFFF) ^ 0xFFFFFF);
        QCOMPARE(At(image, W - 5, 6), RowColour(6));
    }

    void activeDefaultDrawsFocusFrameWithoutRectangle()
    {
        button_->setActiveDefault(true);
        QVERIFY(button_->isActiveDefault());
        const QImage image = Render();
        for (const FramePixel& pixel : kFramePixels)
            QCOMPARE(At(image, pixel.at.x(), pixel.at.y()), pixel.focus);
        QCOMPARE(At(image, 3, 3), RowColour(3));
    }

    void pressedAndShowBorderLook_data()
    {
        QTest::addColumn<bool>("pressed");
        QTest::addRow("pressed") << true;
        QTest::addRow("ShowBorder") << false;
    }
    void pressedAndShowBorderLook()
    {
        QFETCH(bool, pressed);
        const QColor down(0, 82, 134);
        button_->setClrDownColor(down);
        if (pressed)
            button_->setDown(true);
        else
            button_->setShowBorder(true);
        const QImage image = Render();
        const QColor shadow(209, 204, 193);
        const QColor light(242, 241, 238);
        QCOMPARE(At(image, 1, 10), shadow);
        QCOMPARE(At(image, 1, H - 1), shadow);
        QCOMPARE(At(image, 10, 1), shadow);
        QCOMPARE(At(image, W - 3, 10), light);
        QCOMPARE(At(image, 10, H - 3), light);
        for (const QPoint inside : {QPoint(2, 2), QPoint(20, 10), QPoint(W - 4, H - 4)})
            QCOMPARE(At(image, inside.x(), inside.y()), down);
        QCOMPARE(At(image, W / 2, H - 1), QColor(Qt::white));
    }

    void disabledIsGreyWithoutGradientOrFrame()
    {
        button_->setClrStartColor(Qt::red);
        button_->setClrEndColor(Qt::blue);
        button_->setText(QStringLiteral("Shrani"));
        button_->setFontColor(Qt::red);
        button_->setPicture(Solid(10, 10, Qt::red));
        button_->setEnabled(false);
        const QImage image = Render();
        const int fillGrey = GreyLevel(245, 244, 234);
        const int borderGrey = GreyLevel(201, 199, 186);
        QCOMPARE(At(image, 100, 10), QColor(fillGrey, fillGrey, fillGrey));
        QCOMPARE(At(image, 10, 1), QColor(fillGrey, fillGrey, fillGrey));
        QCOMPARE(At(image, W / 2, 0), QColor(borderGrey, borderGrey, borderGrey));
        QCOMPARE(At(image, W / 2, H - 1), QColor(fillGrey, fillGrey, fillGrey));
        const int pictureGrey = GreyLevel(255, 0, 0);
        QCOMPARE(At(image, 6, 12), QColor(pictureGrey, pictureGrey, pictureGrey));
        bool captionSeen = false;
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const QColor c = At(image, x, y);
                QVERIFY(c.red() == c.green() && c.green() == c.blue());
                captionSeen = captionSeen || c.red() < 200;
            }
        }
        QVERIFY(captionSeen);
    }

    void onePixelHighButtonPaintsNoGradient()
    {
        button_->setClrStartColor(Qt::red);
        button_->setClrEndColor(Qt::black);
        button_->resize(40, 1);
        const QImage image = button_->renderButton();
        QCOMPARE(image.size(), QSize(40, 1));
        for (int x = 0; x < 40; ++x)
            QCOMPARE(At(image, x, 0), QColor(Qt::white));
    }

    void picturePlacementAndAlpha()
    {
        button_->setClrStartColor(Qt::white);
        button_->setClrEndColor(QColor(0, 0, 255));
        QImage picture = Solid(10, 10, Qt::red);
        picture.setPixel(9, 9, qRgba(255, 0, 0, 0));
        button_->setPicture(picture);
        // Left 4 + PictureLeft, top H/2 - 10/2 + PictureTop.
        QImage image = Render();
        QCOMPARE(At(image, 4, 11), QColor(Qt::red));
        QCOMPARE(At(image, 12, 20), QColor(Qt::red));
        QCOMPARE(At(image, 13, 20), RowColour(20));
        QCOMPARE(At(image, 3, 11), RowColour(11));
        QCOMPARE(At(image, 4, 10), RowColour(10));
        button_->setPictureLeft(20);
        button_->setPictureTop(-3);
        image = Render();
        QCOMPARE(At(image, 24, 8), QColor(Qt::red));
        QCOMPARE(At(image, 23, 8), RowColour(8));
        QCOMPARE(At(image, 24, 7), RowColour(7));
        // A real press moves the picture one pixel right and down.
        button_->setPictureLeft(0);
        button_->setPictureTop(0);
        button_->setDown(true);
        image = Render();
        QCOMPARE(At(image, 5, 12), QColor(Qt::red));
        QCOMPARE(At(image, 4, 11), button_->clrDownColor());
    }

    void pictureFarLeftIsInvisible()
    {
        const QImage plain = Render();
        button_->setPicture(Solid(42, 38, Qt::red));
        button_->setPictureLeft(-800);
        QCOMPARE(Render(), plain);
    }

    void captionAlignment()
    {
        button_->setClrStartColor(Qt::white);
        button_->setClrEndColor(QColor(250, 250, 250));
        button_->setFont(PixelFont(kTahoma, 20, true));
        button_->setText(QStringLiteral("II"));
        auto inkColumns = [this]() {
            const QImage image = Render();
            int first = -1;
            int last = -1;
            for (int x = 3; x < W - 3; ++x) {
                for (int y = 3; y < H - 3; ++y) {
                    if (At(image, x, y).red() < 100) {
                        if (first < 0)
                            first = x;
                        last = x;
                        break;
                    }
                }
            }
            return std::pair{first, last};
        };
        const auto [centreFirst, centreLast] = inkColumns();
        QVERIFY(centreFirst > 0);
        const double inkCentre = (centreFirst + centreLast) / 2.0;
        QVERIFY2(qAbs(inkCentre - (W / 2.0 + 4)) <= 2.0, qPrintable(QString::number(inkCentre)));
        button_->setAlign(TXpButton::caLeft);
        const auto [leftFirst, leftLast] = inkColumns();
        QVERIFY2(leftFirst >= 4 && leftFirst <= 8, qPrintable(QString::number(leftFirst)));
        Q_UNUSED(leftLast);
    }

    void hoverRules()
    {
        SendMove(button_, QPoint(5, 5));
        QVERIFY(button_->isHot());
        SendMove(button_, QPoint(5, H));
        QVERIFY2(button_->isHot(), "the bottom test includes H");
        SendMove(button_, QPoint(W, 5));
        QVERIFY(!button_->isHot());
        SendMove(button_, QPoint(5, 5));
        QVERIFY(button_->isHot());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button_, &leave);
        QVERIFY(!button_->isHot());

        // While pressed, moves change nothing; the release clears the hot look.
        SendMove(button_, QPoint(5, 5));
        QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(5, 5));
        SendMove(button_, QPoint(W + 10, 5));
        QVERIFY(button_->isHot());
        QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!button_->isHot());
    }

    void clicksAndDoubleClick()
    {
        QSignalSpy clicks(button_, &QAbstractButton::clicked);
        QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.count(), 1);
        clicks.clear();
        // What the window system delivers for a double click: press, release, double click, release.
        QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseDClick(button_, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.count(), 2);
    }

    void keysPressTheFocusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("clicks");
        QTest::addRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << 1;
        QTest::addRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << 1;
        QTest::addRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
        QTest::addRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0;
        QTest::addRow("a letter") << int(Qt::Key_A) << int(Qt::NoModifier) << 0;
    }

    // Outside a dialog too: the window here is a plain widget, as the main window is no dialog.
    void keysPressTheFocusedButton()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, clicks);
        QSignalSpy spy(button_, &QAbstractButton::clicked);
        QTest::keyClick(button_, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(spy.count(), clicks);
    }

    void roundedMaskFollowsSize()
    {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        QVERIFY(!button_->mask().contains(QPoint(0, 0)));
        QVERIFY(button_->mask().contains(QPoint(W / 2, H / 2)));
        button_->resize(60, 24);
        QCOMPARE(button_->mask().boundingRect(), QRect(0, 0, 60, 24));
        QVERIFY(!button_->mask().contains(QPoint(59, 23)));
        QVERIFY(button_->mask().contains(QPoint(57, 23)));
    }
};

QTEST_MAIN(TestXpButton)
#include "tst_xp_button.moc"
