#pragma once

// The options a page printer lays its pages out with, and the enumerations of the print preview.
// Enumerators keep their ordinals: the page set-up dialog stores them as radio-button tags.

#include <QColor>
#include <QFont>
#include <QString>

enum class TPrinterOrientation { poPortrait, poLandscape };
enum class TUnits { unInches, unCentimeters };
enum class TZoomOption { zoFitToPage, zoFitToWidth, zoTwoPages, zoCustom };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TPrintPageNumber { pnBottom, pnTop, pnNone };
enum class TStatusType { stPageCreated, stPrintingPage, stDocumentCreated, stPrintComplete };

// A font with the colour its text is drawn in. The size is kept in points, so text prints at the
// same size on every device.
class TFont : public QFont {
public:
    TFont() = default;
    TFont(const QString& family, int pointSize, bool bold = false, bool italic = false);

    QColor Color = Qt::black;
};

// Margins and distances are in the printer's Units, measured from the sheet's edges.
class TTextOptions {
public:
    double MarginLeft = 1.0;
    double MarginTop = 1.0;
    double MarginRight = 1.0;
    double MarginBottom = 1.0;
    TFont HeaderFont{QStringLiteral("Tahoma"), 18, true};
    TFont FooterFont{QStringLiteral("Tahoma"), 10, false, true};
    TFont PageNumFont = FooterFont;
    // Screen text; callers holding YUSCII map it for the screen first. The three lines are drawn
    // as their fonts show them: in the Cyrillic YUSCII font "Strana %d" is "Страна 1", on the page
    // and in its text alike.
    QString Header;
    QString Footer;
    // From the sheet's top edge to the top of the header line.
    double HeaderMargin = 0.5;
    // From the sheet's bottom edge to the top of the footer line.
    double FooterMargin = 0.75;
    TAlignment HeaderAlign = TAlignment::taCenter;
    TAlignment FooterAlign = TAlignment::taCenter;
    TPrintPageNumber PrintPageNumber = TPrintPageNumber::pnBottom;
    TAlignment PageNumAlign = TAlignment::taRightJustify;
    // "%d" stands for the page number.
    QString PageNumText = QStringLiteral("Strana %d");
};

// The options of the page printers on the main window and on the document viewer, as designed.
TTextOptions mainWindowTextOptions();
TTextOptions viewerTextOptions();
