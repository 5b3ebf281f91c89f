#include "app/views/EntryDrag.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QRandomGenerator>

namespace Tarnwick::Views {

namespace {

constexpr int kTokenBytes = 16;
constexpr quint32 kMaximumEntries = 1u << 24;

const QByteArray& ProcessToken() {
    static const QByteArray token = [] {
        QByteArray bytes(kTokenBytes, '\0');
        QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(bytes.data()),
                                             reinterpret_cast<quint32*>(bytes.data() + bytes.size()));
        return bytes;
    }();
    return token;
}

// Equal length and bytes, without an early exit.
bool SameToken(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

} // namespace

QMimeData* EncodeDraggedEntries(const std::vector<EntryPosition>& entries) {
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.writeRawData(ProcessToken().constData(), kTokenBytes);
    out << static_cast<quint32>(entries.size());
    for (const auto& [folder, entry] : entries) {
        out << static_cast<quint64>(folder) << static_cast<quint64>(entry);
    }
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kEntryMimeType), payload);
    return data;
}

std::optional<std::vector<EntryPosition>> DecodeDraggedEntries(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(QString::fromLatin1(kEntryMimeType))) {
        return std::nullopt;
    }
    const QByteArray payload = data->data(QString::fromLatin1(kEntryMimeType));
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray token(kTokenBytes, '\0');
    if (in.readRawData(token.data(), kTokenBytes) != kTokenBytes || !SameToken(token, ProcessToken())) {
        return std::nullopt;
    }
    quint32 count = 0;
    in >> count;
    const qsizetype room = payload.size() - kTokenBytes - static_cast<qsizetype>(sizeof(quint32));
    if (in.status() != QDataStream::Ok || count == 0 || count > kMaximumEntries ||
        static_cast<qsizetype>(count) * 16 != room) {
        return std::nullopt;
    }
    std::vector<EntryPosition> entries;
    entries.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        quint64 folder = 0;
        quint64 entry = 0;
        in >> folder >> entry;
        if (in.status() != QDataStream::Ok) {
            return std::nullopt;
        }
        entries.emplace_back(static_cast<std::size_t>(folder), static_cast<std::size_t>(entry));
    }
    if (!in.atEnd()) {
        return std::nullopt;
    }
    return entries;
}

} // namespace Tarnwick::Views
