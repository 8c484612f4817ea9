// The program's pictures: the banner, the message dialog's backgrounds and the button pictures.
#pragma once

#include <QImage>
#include <QLatin1String>
#include <QPixmap>
#include <QString>

namespace OrdavoPictures {

// File names inside the resources; load them with Picture() or PicturePixmap().
inline constexpr QLatin1String Banner("banner.png");                // 1000 x 100, anchored right
inline constexpr QLatin1String OrderHeader("order_header.png");     // 1000 x 100, the order window's strip
inline constexpr QLatin1String DialogError("dialog_error.jpg");     // 400 x 250
inline constexpr QLatin1String DialogWarning("dialog_warning.jpg"); // 400 x 250
inline constexpr QLatin1String DialogInfo("dialog_info.jpg");       // 400 x 250
inline constexpr QLatin1String DialogConfirm("dialog_confirm.jpg"); // 400 x 250
// Button pictures, 32 x 32 with alpha.
inline constexpr QLatin1String Delete("delete.png");
inline constexpr QLatin1String Print("print.png");
inline constexpr QLatin1String Preview("preview.png");
inline constexpr QLatin1String Mail("mail.png");
inline constexpr QLatin1String Pdf("pdf.png");
inline constexpr QLatin1String Signature("signature.png");
inline constexpr QLatin1String Billed("billed.png");
inline constexpr QLatin1String Search("search.png");
inline constexpr QLatin1String Save("save.png");
// Small clickable pictures of the main window's top band, 24 x 24 with alpha.
inline constexpr QLatin1String Align("align.png");
inline constexpr QLatin1String Web("web.png");

// ":/pictures/" + name.
QString ResourcePath(const QString& name);
QImage Picture(const QString& name);
QPixmap PicturePixmap(const QString& name);

} // namespace OrdavoPictures
