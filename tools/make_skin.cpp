// Draws the skin: every picture the windows load from Resources/ and the
// sample sponsor banners in Def/, written as GIF89a files. Usage:
//   make_skin <installation folder>
// Text is drawn without anti-aliasing, so most pictures hold a handful of
// colours and keep them exactly; a picture with more than 256 colours is
// reduced with dithering.
#include <gif_lib.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QColor kOlive(102, 102, 0);
const QColor kYellow(204, 204, 0);
const QColor kDark(51, 51, 0);
const QColor kPale(255, 255, 153);
const QColor kMid(153, 153, 51);
const QColor kRowNormal(153, 153, 102);
const QColor kRowHigh(221, 221, 119);

QFont SkinFont(int pixels, bool bold = true) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage Canvas(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// Light top-left and dark bottom-right edges: raised (or sunken) plates.
void Bevel(QPainter& p, QRect r, const QColor& light, const QColor& dark) {
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void Text(QPainter& p, const QRect& r, const QString& text, const QColor& colour, const QFont& font,
          int flags = Qt::AlignCenter) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, flags, text);
}

// Palette indices for the image: its own colours when there are at most 256,
// otherwise Qt's reduction with error diffusion.
QImage ToIndexed(const QImage& source) {
    std::map<QRgb, int> colours;
    for (int y = 0; y < source.height() && colours.size() <= 256; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) colours.emplace(line[x] | 0xFF000000u, 0);
        if (colours.size() > 256) break;
    }
    if (colours.size() <= 256) {
        QList<QRgb> table;
        for (auto& [rgb, index] : colours) {
            index = int(table.size());
            table.push_back(rgb);
        }
        QImage indexed(source.size(), QImage::Format_Indexed8);
        indexed.setColorTable(table);
        for (int y = 0; y < source.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            uchar* out = indexed.scanLine(y);
            for (int x = 0; x < source.width(); ++x) out[x] = uchar(colours[line[x] | 0xFF000000u]);
        }
        return indexed;
    }
    return source.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
}

// Writes a GIF89a beside the target and renames it over the target, then
// reads it back: a picture that cannot be read is a failed build.
void SaveGif(const QImage& picture, const std::filesystem::path& target) {
    const QImage indexed = ToIndexed(picture);
    int map_size = 2;
    while (map_size < indexed.colorCount()) map_size *= 2;
    ColorMapObject* map = GifMakeMapObject(map_size, nullptr);
    if (!map) throw std::runtime_error("out of memory for a colour map");
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < map_size; ++i) {
        const QRgb rgb = i < table.size() ? table[i] : 0;
        map->Colors[i] = {GifByteType(qRed(rgb)), GifByteType(qGreen(rgb)), GifByteType(qBlue(rgb))};
    }
    const std::filesystem::path temporary = target.string() + ".new";
    int error = 0;
    GifFileType* gif = EGifOpenFileName(temporary.c_str(), false, &error);
    if (!gif) {
        GifFreeMapObject(map);
        throw std::runtime_error("cannot create " + temporary.string() + ": " + GifErrorString(error));
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < indexed.height(); ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(indexed.constScanLine(y)), indexed.width()) == GIF_OK;
    if (!ok) error = gif->Error;
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    GifFreeMapObject(map);
    if (!ok) throw std::runtime_error("cannot write " + target.string() + ": " + GifErrorString(error));
    // giflib creates its file for its owner only; every account that starts
    // the installation must be able to read the skin.
    using std::filesystem::perms;
    std::filesystem::permissions(temporary, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    std::filesystem::rename(temporary, target);
    QImageReader check(QString::fromStdString(target.string()));
    if (check.format() != "gif" || check.read().size() != picture.size())
        throw std::runtime_error("written picture does not read back: " + target.string());
}

class Skin {
public:
    explicit Skin(const std::filesystem::path& root) : resources_(root / "Resources"), def_(root / "Def") {
        std::filesystem::create_directories(resources_);
        std::filesystem::create_directories(def_);
    }

    void Resource(const std::string& name, const QImage& image) {
        SaveGif(image, resources_ / name);
        ++count_;
    }
    void Banner(const std::string& name, const QImage& image) {
        SaveGif(image, def_ / name);
        ++count_;
    }
    int Count() const { return count_; }

private:
    std::filesystem::path resources_;
    std::filesystem::path def_;
    int count_ = 0;
};

// The download arrow over its base bar, in a 27 x 32 box.
void DrawEmblem(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(7, 0);
    arrow.lineTo(19, 0);
    arrow.lineTo(19, 12);
    arrow.lineTo(25, 12);
    arrow.lineTo(13, 26);
    arrow.lineTo(1, 12);
    arrow.lineTo(7, 12);
    arrow.closeSubpath();
    p.fillPath(arrow, kYellow);
    p.setPen(kDark);
    p.drawPath(arrow);
    p.fillRect(0, 29, 27, 3, kYellow);
}

// The main window's background: 314 x 71, the bar the buttons sit on.
QImage MainBackground() {
    QImage image = Canvas(314, 71, kOlive);
    QPainter p(&image);
    // A faint diagonal weave gives the plate some texture.
    p.setPen(QColor(110, 110, 0));
    for (int x = -71; x < 314; x += 6) p.drawLine(x, 70, x + 70, 0);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), kYellow, kDark);
    Bevel(p, image.rect().adjusted(1, 1, -2, -2), kMid, kDark);
    // Sunken wells behind the two button columns and the filter column.
    for (QRect well : {QRect(5, 9, 92, 58), QRect(101, 9, 92, 58), QRect(231, 17, 80, 52)}) {
        p.fillRect(well.adjusted(1, 1, -1, -1), kDark);
        Bevel(p, well, kDark, kYellow);
    }
    // The emblem between the buttons and the filter.
    p.translate(200, 33);
    DrawEmblem(p);
    return image;
}

// The program's icon: the main window's emblem on a plate of the skin,
// drawn on a 64-unit grid and scaled to size.
QImage AppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    p.fillPath(plate, kOlive);
    p.setClipPath(plate);
    p.setPen(QPen(QColor(110, 110, 0), 1.5));
    for (int x = -64; x < 64; x += 6) p.drawLine(x, 64, x + 64, 0);
    p.setClipping(false);
    p.setPen(QPen(kYellow, 2));
    p.drawPath(plate);
    p.translate(32 - 27 * 0.9, 7);
    p.scale(1.8, 1.6);
    DrawEmblem(p);
    return image;
}

QImage NavigationButton(const QString& caption, bool hovered) {
    QImage image = Canvas(86, 16, hovered ? kYellow : kOlive);
    QPainter p(&image);
    const QRect edge = image.rect().adjusted(0, 0, -1, -1);
    if (hovered) {
        Bevel(p, edge, kPale, kDark);
        // A pointer at the left shows which button the mouse is on.
        const QPoint tip[] = {QPoint(4, 4), QPoint(9, 8), QPoint(4, 12)};
        p.setBrush(kOlive);
        p.setPen(kOlive);
        p.drawPolygon(tip, 3);
        Text(p, edge, caption, kDark, SkinFont(11));
    } else {
        Bevel(p, edge, kYellow, kDark);
        Text(p, edge, caption, kYellow, SkinFont(11));
    }
    return image;
}

QImage FilterButton(const QString& caption, bool selected) {
    QImage image = Canvas(74, 16, selected ? kYellow : kOlive);
    QPainter p(&image);
    const QColor ink = selected ? kDark : kYellow;
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), selected ? kPale : kMid, kDark);
    // A check box: filled when this licence kind is the one listed.
    const QRect box(5, 4, 8, 8);
    p.setPen(ink);
    p.setBrush(selected ? QBrush(kOlive) : Qt::NoBrush);
    p.drawRect(box);
    if (selected) {
        p.setPen(kPale);
        p.drawLine(6, 8, 8, 10);
        p.drawLine(8, 10, 12, 5);
    }
    Text(p, QRect(16, 0, 56, 16), caption, ink, SkinFont(11), Qt::AlignVCenter | Qt::AlignLeft);
    return image;
}

// Close ("x") and minimise ("-") buttons: normal, hovered and pressed.
QImage SmallButton(bool close, int look) {
    const QColor fill = look == 0 ? kOlive : look == 1 ? kYellow : kDark;
    const QColor ink = look == 1 ? kDark : kYellow;
    QImage image = Canvas(13, 13, fill);
    QPainter p(&image);
    const QRect edge = image.rect().adjusted(0, 0, -1, -1);
    if (look == 2)
        Bevel(p, edge, kDark, kYellow);
    else
        Bevel(p, edge, look == 1 ? kPale : kYellow, kDark);
    const int shift = look == 2 ? 1 : 0;
    p.setPen(QPen(ink, 2));
    if (close) {
        p.drawLine(3 + shift, 3 + shift, 9 + shift, 9 + shift);
        p.drawLine(9 + shift, 3 + shift, 3 + shift, 9 + shift);
    } else {
        p.drawLine(3 + shift, 8 + shift, 9 + shift, 8 + shift);
    }
    return image;
}

// The frame shared by the list windows: a title strip, room for a tree or a
// list at (10, 25) of 190 x 385, and the close button's place at the top right.
QImage ListFrame() {
    QImage image = Canvas(210, 420, kOlive);
    QPainter p(&image);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), kYellow, kDark);
    Bevel(p, image.rect().adjusted(1, 1, -2, -2), kMid, kDark);
    p.fillRect(QRect(4, 4, 202, 19), QColor(85, 85, 0));
    Bevel(p, QRect(4, 4, 202, 19), kDark, kMid);
    Bevel(p, QRect(9, 24, 192, 387), kDark, kYellow);
    return image;
}

// The details window: a pale page for the description, two strips for the
// detail lines and three buttons below.
QImage DetailsPage() {
    QImage image = Canvas(400, 220, QColor(221, 221, 85));
    QPainter p(&image);
    p.fillRect(QRect(6, 6, 388, 208), kYellow);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), kPale, kOlive);
    Bevel(p, QRect(5, 5, 389, 209), kOlive, kPale);
    return image;
}

QImage DetailsStrip(bool last) {
    QImage image = Canvas(400, 28, kYellow);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 400, 2), kOlive);
    Bevel(p, QRect(6, 4, 387, 21), kOlive, kPale);
    if (last) p.fillRect(QRect(0, 26, 400, 2), kOlive);
    return image;
}

QImage DetailsButton(const QString& caption, bool hovered) {
    QImage image = Canvas(130, 34, kYellow);
    QPainter p(&image);
    const QRect plate(4, 4, 121, 25);
    p.fillRect(plate, hovered ? kOlive : QColor(221, 221, 85));
    Bevel(p, plate, hovered ? kYellow : kPale, kDark);
    Text(p, plate, caption, hovered ? kPale : kDark, SkinFont(13));
    return image;
}

QImage MessagePlate() {
    QImage image = Canvas(197, 26, kOlive);
    QPainter p(&image);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), kYellow, kDark);
    Bevel(p, QRect(3, 3, 190, 19), kDark, kMid);
    return image;
}

// The search bar: a field at (8, 6) of 137 x 17 and the "Go" button drawn at
// (152, 8), 41 x 25, where the window puts its click area.
QImage SearchBar() {
    QImage image = Canvas(200, 40, kOlive);
    QPainter p(&image);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), kYellow, kDark);
    Bevel(p, QRect(6, 4, 141, 21), kDark, kYellow);
    Text(p, QRect(8, 25, 137, 13), QStringLiteral("type a name, then Go"), kMid, SkinFont(9, false),
         Qt::AlignLeft | Qt::AlignVCenter);
    const QRect go(152, 8, 41, 25);
    p.fillRect(go, kYellow);
    Bevel(p, go.adjusted(0, 0, -1, -1), kPale, kDark);
    Text(p, go, QStringLiteral("Go"), kDark, SkinFont(13));
    return image;
}

// A day row: 283 x 17, wide enough for a program name centred across it.
// The row's ordinal (when it has one) sits in a box at the left; a small
// letter at the right names the licence kind (Demo, Share, Free).
QImage DayRow(bool high, int ordinal, int mode) {
    QImage image = Canvas(283, 17, high ? kRowHigh : kRowNormal);
    QPainter p(&image);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), high ? kPale : kYellow, kDark);
    const QRect box(1, 1, 24, 15);
    p.fillRect(box, high ? kOlive : kDark);
    if (ordinal > 0) Text(p, box, QString::number(ordinal), high ? kPale : kYellow, SkinFont(10));
    static const char* kinds[] = {"", "D", "S", "F"};
    Text(p, QRect(270, 0, 11, 17), QString::fromLatin1(kinds[mode]), high ? kOlive : kDark, SkinFont(9),
         Qt::AlignCenter);
    return image;
}

QImage PageRow(bool high, bool more) {
    QImage image = Canvas(283, 17, high ? kYellow : kOlive);
    QPainter p(&image);
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), high ? kPale : kYellow, kDark);
    const QColor ink = high ? kDark : kYellow;
    const QString caption = more ? QStringLiteral("more news") : QStringLiteral("back");
    Text(p, image.rect(), caption, ink, SkinFont(11));
    // Chevrons on both sides point the way the page turns.
    p.setPen(ink);
    p.setBrush(ink);
    for (int x : {90, 185}) {
        const QPoint down[] = {QPoint(x, 6), QPoint(x + 8, 6), QPoint(x + 4, 11)};
        const QPoint up[] = {QPoint(x, 11), QPoint(x + 8, 11), QPoint(x + 4, 6)};
        p.drawPolygon(more ? down : up, 3);
    }
    return image;
}

QImage SponsorBanner(const QString& title, const QString& line, const QString& address, const QColor& accent) {
    QImage image = Canvas(351, 60, kOlive);
    QPainter p(&image);
    for (int y = 0; y < 60; y += 4) p.fillRect(QRect(0, y, 351, 2), QColor(108, 108, 0));
    Bevel(p, image.rect().adjusted(0, 0, -1, -1), kYellow, kDark);
    // A badge in the sponsor's colour at the left.
    p.setBrush(accent);
    p.setPen(QPen(kPale, 2));
    p.drawEllipse(QRect(10, 9, 42, 42));
    p.setPen(QPen(kPale, 3));
    p.drawArc(QRect(19, 18, 24, 24), 30 * 16, 280 * 16);
    Text(p, QRect(62, 5, 280, 22), title, kPale, SkinFont(18), Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRect(62, 27, 280, 14), line, kYellow, SkinFont(11), Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRect(62, 42, 280, 14), address, kPale, SkinFont(10, false), Qt::AlignLeft | Qt::AlignVCenter);
    return image;
}

std::string ThreeDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

// GCC 12 at -O3 reports a false -Wrestrict in std::string code inlined here (GCC bug 105329).
#pragma GCC diagnostic push
#ifndef __clang__  // clang has no such warning
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
void DrawAll(Skin& skin) {
    skin.Resource("fondobin.gif", MainBackground());
    const std::pair<const char*, const char*> navigation[] = {
        {"Bot1", "Today"}, {"Bot2", "Week"}, {"Bot3", "Database"}, {"Bot4", "Search"}, {"Bot8", "Update"}, {"Bot9", "Settings"},
    };
    for (const auto& [name, caption] : navigation) {
        skin.Resource(std::string(name) + ".gif", NavigationButton(QString::fromLatin1(caption), false));
        skin.Resource("u" + std::string(name) + ".gif", NavigationButton(QString::fromLatin1(caption), true));
    }
    for (const char* kind : {"Demo", "Share", "Free"})
        for (int selected : {0, 1})
            skin.Resource(kind + std::to_string(selected) + ".gif", FilterButton(QString::fromLatin1(kind), selected));
    for (int look : {0, 1, 2}) {
        skin.Resource("x" + std::to_string(look) + ".gif", SmallButton(true, look));
        skin.Resource("-" + std::to_string(look) + ".gif", SmallButton(false, look));
    }
    skin.Resource("Lista.gif", ListFrame());
    skin.Resource("fondo01-01.gif", DetailsPage());
    skin.Resource("fondo01-02.gif", DetailsStrip(false));
    skin.Resource("fondo01-03.gif", DetailsStrip(true));
    const std::pair<const char*, const char*> details[] = {
        {"fondo01-04", "More Info"}, {"fondo01-05", "Download"}, {"fondo01-06", "Buy"}};
    for (const auto& [name, caption] : details) {
        skin.Resource(std::string(name) + ".gif", DetailsButton(QString::fromLatin1(caption), false));
        skin.Resource(std::string(name) + "u.gif", DetailsButton(QString::fromLatin1(caption), true));
    }
    skin.Resource("mensaje.gif", MessagePlate());
    skin.Resource("buscar.gif", SearchBar());
    for (int mode = 1; mode <= 3; ++mode) {
        const std::string m = std::to_string(mode);
        skin.Resource("dayarr000" + m + ".gif", DayRow(false, 0, mode));
        skin.Resource("dayund000" + m + ".gif", DayRow(true, 0, mode));
        for (int ordinal = 1; ordinal <= 99; ++ordinal) {
            skin.Resource("dayarr" + ThreeDigits(ordinal) + m + ".gif", DayRow(false, ordinal, mode));
            skin.Resource("dayund" + ThreeDigits(ordinal) + m + ".gif", DayRow(true, ordinal, mode));
        }
    }
    skin.Resource("dayarrmore.gif", PageRow(false, true));
    skin.Resource("dayundmore.gif", PageRow(true, true));
    skin.Resource("dayarrback.gif", PageRow(false, false));
    skin.Resource("dayundback.gif", PageRow(true, false));

    skin.Banner("ban1a.gif", SponsorBanner(QStringLiteral("Debian"), QStringLiteral("The universal operating system"),
                                           QStringLiteral("www.debian.org"), QColor(204, 0, 51)));
    skin.Banner("ban1b.gif", SponsorBanner(QStringLiteral("Debian packages"),
                                           QStringLiteral("Search every package of every release"),
                                           QStringLiteral("packages.debian.org"), QColor(153, 0, 51)));
    skin.Banner("ban5a.gif", SponsorBanner(QStringLiteral("Debian wiki"), QStringLiteral("Guides written by users"),
                                           QStringLiteral("wiki.debian.org"), QColor(0, 102, 153)));
    skin.Banner("ban5b.gif", SponsorBanner(QStringLiteral("kernel.org"), QStringLiteral("The Linux kernel archives"),
                                           QStringLiteral("www.kernel.org"), QColor(51, 51, 51)));
    skin.Banner("ban1c.gif", SponsorBanner(QStringLiteral("Debian security"),
                                           QStringLiteral("Advisories and security updates"),
                                           QStringLiteral("www.debian.org/security"), QColor(102, 0, 0)));
    skin.Banner("ban5c.gif", SponsorBanner(QStringLiteral("GNU"), QStringLiteral("Free software for every purpose"),
                                           QStringLiteral("www.gnu.org/software"), QColor(153, 102, 0)));
}
#pragma GCC diagnostic pop

// The icon in the sizes the desktop asks for, as a hicolor theme tree.
void WriteIcons(const std::filesystem::path& theme) {
    for (int size : {48, 128, 256}) {
        const std::string edge = std::to_string(size);
        const std::filesystem::path folder = theme / (edge + "x" + edge) / "apps";
        std::filesystem::create_directories(folder);
        const std::filesystem::path file = folder / "veltod.png";
        if (!AppIcon(size).save(QString::fromStdString(file.string()), "PNG"))
            throw std::runtime_error("cannot write " + file.string());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_skin <installation folder> [<icon theme folder>]\n");
        return 2;
    }
    // The build runs this without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        Skin skin(argv[1]);
        DrawAll(skin);
        std::printf("make_skin: %d pictures written under %s\n", skin.Count(), argv[1]);
        if (argc == 3) WriteIcons(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_skin: %s\n", error.what());
        return 1;
    }
    return 0;
}
