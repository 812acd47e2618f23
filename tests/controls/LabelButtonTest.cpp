#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "res/Icons.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace velt {
namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

TEST(CColorStatic, SameColourRepaintsNothingAndANewColourRepaintsAtOnce) {
    CColorStatic label;
    label.resize(80, 20);
    label.setText("DisConnect");
    label.show();
    (void)QTest::qWaitForWindowExposed(&label);
    QApplication::processEvents();
    EXPECT_EQ(label.BkColour(), label.palette().color(QPalette::Button));
    EXPECT_EQ(label.TextColour(), QColor(Qt::black));

    PaintCounter counter;
    label.installEventFilter(&counter);
    const int requests = label.RepaintRequests();
    label.SetBkColour(label.BkColour());
    label.SetTextColour(Qt::black);
    label.setText("DisConnect");
    QApplication::processEvents();
    EXPECT_EQ(label.RepaintRequests(), requests);
    EXPECT_EQ(counter.paints, 0);

    label.SetBkColour(QColor(0, 255, 0));
    EXPECT_EQ(counter.paints, 1); // painted before the setter returned
    label.SetTextColour(QColor(255, 0, 0));
    EXPECT_EQ(label.RepaintRequests(), requests + 2);
    EXPECT_EQ(label.BkColour(), QColor(0, 255, 0));
    QImage shot = label.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(0, 255, 0));
}

TEST(CButtonST, CaptionAndBackgroundFollowThePointer) {
    CButtonST button;
    button.setText("All Parameter\nRead");
    button.SetCaptionColours(QColor(255, 107, 26), QColor(0, 128, 0));
    QPalette pal = button.palette();
    pal.setColor(QPalette::Button, QColor(100, 240, 250));
    button.setPalette(pal);
    button.resize(160, 50);
    button.show();
    EXPECT_FALSE(button.IsHovered());
    EXPECT_EQ(button.CaptionColour(), QColor(255, 107, 26));
    EXPECT_EQ(button.BackgroundColour(), QColor(100, 240, 250));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.IsHovered());
    EXPECT_EQ(button.CaptionColour(), QColor(0, 128, 0));
    EXPECT_EQ(button.BackgroundColour(), QColor(130, 255, 255)); // +30, capped at 255
    button.SetHoverLighten(5);
    EXPECT_EQ(button.BackgroundColour(), QColor(105, 245, 255));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHovered());
    EXPECT_EQ(button.CaptionColour(), QColor(255, 107, 26));
    EXPECT_EQ(button.BackgroundColour(), QColor(100, 240, 250));
}

TEST(VeltIcon, EveryResourceHasItsOwnPictureAndUnknownIdsAPlaceholder) {
    const int ids[] = {311, 313, 314, 316, 319, 320, 329, 330, 334, 336};
    QList<QImage> images;
    for (int id : ids) {
        const QIcon icon = VeltIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        images.append(icon.pixmap(32, 32).toImage());
    }
    for (int i = 0; i < images.size(); ++i) {
        for (int j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j]) << ids[i] << " " << ids[j];
    }
    const QIcon unknown = VeltIcon(9999);
    EXPECT_FALSE(unknown.isNull());
    EXPECT_NE(unknown.pixmap(32, 32).toImage(), images[0]);
}

} // namespace
} // namespace velt
