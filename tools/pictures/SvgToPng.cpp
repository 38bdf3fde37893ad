// Renders the program's pictures from their SVG sources.
//
// usage: tamberlink-svgpng MANIFEST SOURCE_DIR OUTPUT_DIR
//
// Each manifest line is "output.png source.svg [name=value ...]"; blank lines and lines
// starting with '#' are skipped. Every "${name}" in the source is replaced by its value
// before rendering, so one drawing serves the normal, hot and pushed states of a button.
// A picture is drawn at the size the SVG's width and height give; an output named .svg is
// written as SVG. Outputs may name folders below OUTPUT_DIR.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

bool RenderLine(const QString& line, const QDir& sourceDir, const QDir& outputDir) {
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() < 2) {
        std::fprintf(stderr, "bad manifest line: %s\n", qPrintable(line));
        return false;
    }
    QFile source(sourceDir.filePath(fields[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(source.fileName()));
        return false;
    }
    QByteArray svg = source.readAll();
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const qsizetype eq = fields[i].indexOf(QLatin1Char('='));
        if (eq <= 0) {
            std::fprintf(stderr, "bad substitution '%s' in: %s\n", qPrintable(fields[i]),
                         qPrintable(line));
            return false;
        }
        const QByteArray key = "${" + fields[i].left(eq).toUtf8() + "}";
        svg.replace(key, fields[i].mid(eq + 1).toUtf8());
    }
    if (svg.contains("${")) {
        std::fprintf(stderr, "unreplaced ${...} in %s for %s\n", qPrintable(fields[1]),
                     qPrintable(fields[0]));
        return false;
    }
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "invalid SVG %s\n", qPrintable(fields[1]));
        return false;
    }
    // An SVG output is the drawing itself with its values filled in (a scalable icon).
    QByteArray bytes = svg;
    if (!fields[0].endsWith(QLatin1String(".svg"))) {
        const QSize size = renderer.defaultSize();
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), size));
        painter.end();
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    const QString out = outputDir.filePath(fields[0]);
    // Written beside, then renamed, so an interrupted build never leaves half a picture.
    QSaveFile file(out);
    if (bytes.isEmpty() || !QDir().mkpath(QFileInfo(out).path()) ||
        !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s MANIFEST SOURCE_DIR OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    QFile manifest(QString::fromLocal8Bit(argv[1]));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir sourceDir(QString::fromLocal8Bit(argv[2]));
    const QDir outputDir(QString::fromLocal8Bit(argv[3]));
    if (!outputDir.exists() && !QDir().mkpath(outputDir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[3]);
        return 1;
    }
    QTextStream in(&manifest);
    int failures = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (!RenderLine(line, sourceDir, outputDir)) {
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
