// Renders an SVG icon to a square PNG at build time, so the hicolor PNG sizes are
// always drawn from the one SVG that is committed.
// Usage: brimvale_render_icon INPUT.svg SIZE OUTPUT.png

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fputs("usage: brimvale_render_icon INPUT.svg SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    // Shapes only, drawn by QPainter on a QImage: no application object, fonts
    // or display are needed.
    const QString input = QString::fromLocal8Bit(argv[1]);
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&sizeOk);
    const QString output = QString::fromLocal8Bit(argv[3]);
    QSvgRenderer renderer(input);
    if (!renderer.isValid() || !sizeOk || size <= 0) {
        std::fprintf(stderr, "brimvale_render_icon: cannot render %s at %s\n", argv[1], argv[2]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(output, "PNG")) {
        std::fprintf(stderr, "brimvale_render_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
