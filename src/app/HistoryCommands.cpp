#include "HistoryCommands.h"

#include "Category.h"
#include "RowText.h"
#include "StoreSnapshotReader.h"

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstring>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("HistoryCommands", text);
}

void sayLine(std::FILE *err, const QString &line)
{
    std::fprintf(err, "%s\n", line.toLocal8Bit().constData());
}

std::optional<QStringList> listKeysFor(const QString &category)
{
    if (category.isEmpty() || category == u"all")
        return QStringList{listKey(Category::Url), listKey(Category::Code),
                           listKey(Category::Text)};
    for (const Category each : allCategories) {
        if (category.compare(categoryName(each), Qt::CaseInsensitive) == 0)
            return QStringList{listKey(each)};
    }
    return std::nullopt;
}

bool write(std::FILE *out, QByteArrayView bytes)
{
    return bytes.isEmpty() || std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), out) ==
                                  std::size_t(bytes.size());
}

// A reader that has gone (`| head`, a launcher closed) has what it wanted.
int writeFailure(std::FILE *err)
{
    if (errno == EPIPE)
        return 0;
    sayLine(err, tr("Cannot write the list: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    return 1;
}

} // namespace

int listHistory(const QString &storePath, const QString &category, bool wholeTexts, std::FILE *out,
                std::FILE *err)
{
    const std::optional<QStringList> keys = listKeysFor(category);
    if (!keys) {
        sayLine(err, tr("Unknown category \"%1\": use url, code, text or all").arg(category));
        return 1;
    }
    StoreSnapshotReader reader(storePath);
    // Nothing copied yet.
    if (!reader.exists())
        return 0;
    if (const StoreStatus opened = reader.open(); !opened.ok()) {
        sayLine(err, opened.error());
        return 1;
    }
    bool first = true;
    bool written = true;
    QByteArray line;
    const StoreStatus read = reader.forEachItem(*keys, [&](qint64 id, QByteArrayView utf8) {
        line.setNum(id);
        line += '\t';
        if (wholeTexts) {
            line += utf8;
            line += '\0';
        } else {
            appendRowLineUtf8(line, utf8);
            line += '\n';
        }
        written = write(out, line);
        // A launcher shows the newest items while the rest are read.
        if (written && first)
            written = std::fflush(out) == 0;
        first = false;
        return written;
    });
    if (!read.ok()) {
        sayLine(err, read.error());
        return 1;
    }
    if (!written || std::fflush(out) != 0)
        return writeFailure(err);
    return 0;
}

int printItem(const QString &storePath, const QString &idArgument, std::FILE *out, std::FILE *err)
{
    const std::optional<qint64> id = itemIdArgument(idArgument, stdin, err);
    if (!id)
        return 1;
    StoreSnapshotReader reader(storePath);
    StoreResult<std::optional<QByteArray>> found = std::optional<QByteArray>();
    if (reader.exists()) {
        if (const StoreStatus opened = reader.open(); !opened.ok()) {
            sayLine(err, opened.error());
            return 1;
        }
        found = reader.item(*id, *listKeysFor(QString()));
    }
    if (!found.ok()) {
        sayLine(err, found.error());
        return 1;
    }
    if (!found.value()) {
        sayLine(err, tr("No item has the id %1").arg(*id));
        return 1;
    }
    if (!write(out, *found.value()) || std::fflush(out) != 0)
        return writeFailure(err);
    return 0;
}

std::optional<qint64> itemIdArgument(const QString &argument, std::FILE *in, std::FILE *err)
{
    QString line = argument;
    if (argument == u"-") {
        QByteArray read;
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, in)) {
            read += buffer;
            if (read.endsWith('\n'))
                break;
        }
        line = QString::fromLocal8Bit(read);
    }
    bool isNumber = false;
    const QString id = line.section(u'\t', 0, 0).trimmed();
    const qint64 value = id.toLongLong(&isNumber);
    if (isNumber && value > 0)
        return value;
    if (argument == u"-" && line.trimmed().isEmpty())
        sayLine(err, tr("No item was chosen: standard input held no line"));
    else
        sayLine(err, tr("Not an item id: \"%1\"").arg(id.left(80)));
    return std::nullopt;
}
