#include "pagegeometry.h"
#include "printerenv.h"

#include <QLocale>
#include <QtTest>

using namespace preview;

class TestPreviewGeometry : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void roundingHalvesToEven();
    void unitsToPixels();
    void textRectangleInTwips();
    void textRectangleFollowsEachResolution();
    void alignedText();
    void pageNumberTextTakesNoFormat();
    void printRanges();
    void zoomItems();
    void sheetAtHundredPercent();
    void zoomLabelByLocale();
    void numberTextForms();
};

namespace {

const DeviceMetrics kLetter96 = letterSheet(96, 96);

} // namespace

void TestPreviewGeometry::roundingHalvesToEven()
{
    QCOMPARE(roundEven(2.5), 2);
    QCOMPARE(roundEven(3.5), 4);
    QCOMPARE(roundEven(-2.5), -2);
    QCOMPARE(roundEven(2.49), 2);
    QCOMPARE(roundEven(2.51), 3);
}

void TestPreviewGeometry::unitsToPixels()
{
    QCOMPARE(preview::unitsToPixels(1.0, 600, unitFactor(TUnits::unInches)), 600);
    QCOMPARE(preview::unitsToPixels(2.54, 600, unitFactor(TUnits::unCentimeters)), 600);
    QCOMPARE(preview::unitsToPixels(0.75, 96, 1.0), 72);
    // 1.5 and 2.5 pixels.
    QCOMPARE(preview::unitsToPixels(1.5 / 96, 96, 1.0), 2);
    QCOMPARE(preview::unitsToPixels(2.5 / 96, 96, 1.0), 2);
    QCOMPARE(kLetter96.PHYSICALWIDTH, 816);
    QCOMPARE(kLetter96.PHYSICALHEIGHT, 1056);
    QCOMPARE(letterSheet(75, 75).PHYSICALWIDTH, 638); // 637.5, to the even neighbour
    QCOMPARE(kLetter96.PHYSICALOFFSETX, 0);
}

void TestPreviewGeometry::textRectangleInTwips()
{
    TTextOptions options;
    TwipRect r = richTextTwips(kLetter96, options);
    QCOMPARE(r.left, 1440);
    QCOMPARE(r.top, 1440);
    QCOMPARE(r.right, 10800);
    QCOMPARE(r.bottom, 14400);
    QCOMPARE(twipsToPixels(r, kLetter96), QRectF(96, 96, 624, 864));

    // Margins are always inches here, and half twips go to the even neighbour.
    options.MarginLeft = 2.54;
    options.MarginTop = 0.5 / 1440;
    options.MarginRight = 1.5 / 1440;
    r = richTextTwips(kLetter96, options);
    QCOMPARE(r.left, 3658);
    QCOMPARE(r.top, 0);
    QCOMPARE(r.right, 12240 - 2);
}

void TestPreviewGeometry::textRectangleFollowsEachResolution()
{
    DeviceMetrics m;
    m.LOGPIXELSX = 600;
    m.LOGPIXELSY = 300;
    m.PHYSICALWIDTH = 5000;  // 8 1/3 in
    m.PHYSICALHEIGHT = 3000; // 10 in
    const TwipRect r = richTextTwips(m, TTextOptions());
    QCOMPARE(r.right, 10560);
    QCOMPARE(r.bottom, 12960);
    const QRectF px = twipsToPixels(r, m);
    QCOMPARE(px.left(), 600.0);
    QCOMPARE(px.top(), 300.0);
    QCOMPARE(px.right(), 4400.0);
    QCOMPARE(px.bottom(), 2700.0);
}

void TestPreviewGeometry::alignedText()
{
    QCOMPARE(alignedTextX(TAlignment::taLeftJustify, 100, 816, 96, 96), 96);
    QCOMPARE(alignedTextX(TAlignment::taRightJustify, 100, 816, 96, 96), 620);
    // Both halves truncate: 408 - 50.
    QCOMPARE(alignedTextX(TAlignment::taCenter, 101, 816, 96, 96), 358);
    QCOMPARE(alignedTextX(TAlignment::taCenter, 1001, 816, 96, 96), -92);
}

void TestPreviewGeometry::pageNumberTextTakesNoFormat()
{
    QCOMPARE(pageNumberText(QStringLiteral("Strana %d"), 3), QStringLiteral("Strana 3"));
    QCOMPARE(pageNumberText(QStringLiteral("%d/%d"), 12), QStringLiteral("12/12"));
    QCOMPARE(pageNumberText(QStringLiteral("Strana"), 3), QStringLiteral("Strana"));
    // Stored texts may hold anything; other format characters stay as written.
    QCOMPARE(pageNumberText(QStringLiteral("%s %n %x 100% %d"), 4), QStringLiteral("%s %n %x 100% 4"));
    QCOMPARE(pageNumberText(QStringLiteral("%1 %d %2"), 5), QStringLiteral("%1 5 %2"));
}

void TestPreviewGeometry::printRanges()
{
    platform::PrintRequest all;
    QCOMPARE(printIndexes(all, 5), std::make_pair(0, 4));
    platform::PrintRequest range;
    range.allPages = false;
    range.fromPage = 2;
    range.toPage = 3;
    QCOMPARE(printIndexes(range, 5), std::make_pair(1, 2));
    range.fromPage = 0;
    range.toPage = 99;
    QCOMPARE(printIndexes(range, 5), std::make_pair(0, 4));
}

void TestPreviewGeometry::zoomItems()
{
    const QSize view(1000, 700);
    QCOMPARE(itemZoom(kFitPageItem, 0, view, 96, kLetter96), (680.0 / 96) / 11);
    QCOMPARE(itemZoom(-1, 0, view, 96, kLetter96), (680.0 / 96) / 11);
    QCOMPARE(itemZoom(kFitWidthItem, 0, view, 96, kLetter96), (980.0 / 96) / 8.5);
    QCOMPARE(itemZoom(kCustomItem, 1.7, view, 96, kLetter96), 1.7);
    QCOMPARE(itemZoom(3, 1.7, view, 96, kLetter96), 0.25);
    QCOMPARE(itemZoom(6, 1.7, view, 96, kLetter96), 1.0);
    QCOMPARE(itemZoom(kZoom400Item, 1.7, view, 96, kLetter96), 4.0);
    QCOMPARE(itemZoom(42, 1.7, view, 96, kLetter96), 1.0);
    QCOMPARE(itemZoom(kCustomItem, 30, view, 96, kLetter96), kMaxZoom);
    QCOMPARE(itemZoom(kCustomItem, 0, view, 96, kLetter96), kMinZoom);
    QCOMPARE(itemZoom(kFitPageItem, 0, QSize(10, 10), 96, kLetter96), kMinZoom);
}

void TestPreviewGeometry::sheetAtHundredPercent()
{
    // A view smaller than the sheet: the field is the sheet and a 20-pixel gutter.
    PreviewGeometry g = previewGeometry(1.0, QSize(600, 500), 96, kLetter96);
    QCOMPARE(g.panel, QSize(816, 1056));
    QCOMPARE(g.field, QSize(836, 1076));
    QCOMPARE(g.panelPos, QPoint(10, 10));

    // A wider view: the field is one pixel short of the view and the sheet centred on it.
    g = previewGeometry(1.0, QSize(1000, 700), 96, kLetter96);
    QCOMPARE(g.field, QSize(999, 1076));
    QCOMPARE(g.panelPos, QPoint(499 - 408, 10));

    // A sheet at 300 pixels per inch shows at the same size.
    g = previewGeometry(1.0, QSize(600, 500), 96, letterSheet(300, 300));
    QCOMPARE(g.panel, QSize(816, 1056));
}

void TestPreviewGeometry::zoomLabelByLocale()
{
    QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    QCOMPARE(zoomLabelText(20.0), QStringLiteral("2.000%"));
    QCOMPARE(zoomLabelText(0.15), QStringLiteral("15%"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(zoomLabelText(20.0), QStringLiteral("2,000%"));
    QCOMPARE(zoomLabelText(1.0), QStringLiteral("100%"));
}

void TestPreviewGeometry::numberTextForms()
{
    QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    QCOMPARE(numberText(2.5), QStringLiteral("2,500"));
    QCOMPARE(numberText(1.23456), QStringLiteral("1,235"));
    QCOMPARE(readNumber(QStringLiteral("2,500")), std::optional<double>(2.5));
    QCOMPARE(readNumber(QStringLiteral(" 0,75 ")), std::optional<double>(0.75));
    // A thousands separator is no decimal point: "2.500" is not 2500 inches.
    QCOMPARE(readNumber(QStringLiteral("2.500")), std::nullopt);
    QCOMPARE(readNumber(QStringLiteral("abc")), std::nullopt);
    QCOMPARE(readNumber(QString()), std::nullopt);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(numberText(2.5), QStringLiteral("2.500"));
    QCOMPARE(readNumber(QStringLiteral("2.5")), std::optional<double>(2.5));
}

QTEST_MAIN(TestPreviewGeometry)
#include "tst_previewgeometry.moc"
