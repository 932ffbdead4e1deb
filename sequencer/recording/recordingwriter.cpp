#include "recordingwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <utility>

namespace {

// A field of images.csv, quoted where its text needs it.
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvRow(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
}

} // namespace

qint64 RecordingWriter::Item::bytes() const
{
    if (!radiance.isNull())
        return qint64(radiance.width()) * radiance.height() * qint64(3 * sizeof(float) + 1);
    return image ? image->sizeInBytes() : 0;
}

const QString RecordingWriter::listName = QStringLiteral("images.csv");

RecordingWriter::RecordingWriter(const QString &folder, FileWriter writeFile, qint64 queueBytes)
    : m_folder(folder), m_writeFile(std::move(writeFile)), m_queueBytes(queueBytes)
{
}

RecordingWriter::~RecordingWriter()
{
    finish();
    wait();
}

RecordingWriter::Offer RecordingWriter::offer(Item item)
{
    const qint64 bytes = item.bytes();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finishing || m_ended)
            return Offer::Ended;
        if (!m_queue.empty() && m_queuedBytes + bytes > m_queueBytes)
            return Offer::QueueFull;
        m_queuedBytes += bytes;
        m_queue.push_back(std::move(item));
    }
    m_wake.notify_one();
    return Offer::Queued;
}

void RecordingWriter::finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
}

int RecordingWriter::written() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_written;
}

qint64 RecordingWriter::bytesWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytesWritten;
}

int RecordingWriter::queued() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_queue.size());
}

QString RecordingWriter::failure() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failure;
}

void RecordingWriter::run()
{
    if (!openList())
        return;
    Item item;
    while (next(item)) {
        if (!writeItem(item))
            return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ended = true;
}

bool RecordingWriter::next(Item &item)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_queue.empty() || m_finishing; });
    if (m_queue.empty())
        return false;
    item = std::move(m_queue.front());
    m_queue.pop_front();
    m_queuedBytes -= item.bytes();
    return true;
}

bool RecordingWriter::openList()
{
    // Unbuffered: a row is on its way to the disk, or known to have failed,
    // before the next image is written.
    m_list.setFileName(QDir(m_folder).filePath(listName));
    if (!m_list.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        fail(tr("%1 could not be written: %2").arg(listName, m_list.errorString()));
        return false;
    }
    QStringList header{QStringLiteral("file"), QStringLiteral("cycle")};
    for (const ImageMetadata::Field &field : ImageMetadata().imageFields())
        header << field.column;
    if (!appendRow(csvRow(header))) {
        fail(tr("%1 could not be written: %2").arg(listName, m_list.errorString()));
        return false;
    }
    return true;
}

bool RecordingWriter::writeItem(const Item &item)
{
    const QString path = QDir(m_folder).filePath(item.fileName);
    const QString failure = item.radiance.isNull()
                                ? m_writeFile(*item.image, item.metadata, path)
                                : RadianceFileWriter::write(item.radiance, item.radianceFormat,
                                                            path, item.metadata.serialNumber);
    if (!failure.isEmpty()) {
        fail(tr("%1 could not be written: %2").arg(item.fileName, failure));
        return false;
    }
    QStringList row{item.fileName, QString::number(item.cycle)};
    for (const ImageMetadata::Field &field : item.metadata.imageFields())
        row << field.value;
    if (!appendRow(csvRow(row))) {
        // An image the list does not name must not stay.
        QFile::remove(path);
        fail(tr("%1 could not be written: %2").arg(listName, m_list.errorString()));
        return false;
    }
    const qint64 bytes = QFileInfo(path).size();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_written;
    m_bytesWritten += bytes;
    return true;
}

bool RecordingWriter::appendRow(const QString &row)
{
    const qint64 before = m_list.size();
    const QByteArray bytes = row.toUtf8();
    if (m_list.write(bytes) == bytes.size() && m_list.flush())
        return true;
    // A row written in part would list a file that is not there.
    m_list.resize(before);
    return false;
}

void RecordingWriter::fail(const QString &why)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failure = why;
    m_ended = true;
    m_queue.clear();
    m_queuedBytes = 0;
}
