#include "IntelHex.h"

#include "FirmwareProtocol.h"

#include <map>
#include <optional>

namespace {

enum RecordType : uint8_t {
    Data = 0x00,
    EndOfFile = 0x01,
    ExtendedSegment = 0x02,
    StartSegment = 0x03,
    ExtendedLinear = 0x04,
    StartLinear = 0x05,
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<QByteArray> hexBytes(QByteArrayView digits)
{
    if (digits.size() % 2 != 0)
        return std::nullopt;
    QByteArray out(digits.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i) {
        const int hi = hexDigit(digits[2 * i]);
        const int lo = hexDigit(digits[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = char(hi << 4 | lo);
    }
    return out;
}

bool isBlank(QByteArrayView line)
{
    for (char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

// The bytes set so far, as runs of consecutive addresses. A file's records follow one
// another, so a record nearly always extends the run before it and the map stays small.
class ImageRuns {
public:
    // False when the data overlaps bytes already set: which of two records is the firmware
    // cannot be told, and sending either would be a guess.
    bool add(uint64_t address, QByteArrayView data)
    {
        const uint64_t end = address + uint64_t(data.size());
        auto next = m_runs.lower_bound(address);
        if (next != m_runs.end() && next->first < end)
            return false;
        if (next != m_runs.begin()) {
            const auto before = std::prev(next);
            const uint64_t beforeEnd = before->first + uint64_t(before->second.size());
            if (beforeEnd > address)
                return false;
            if (beforeEnd == address) {
                before->second.append(data);
                join(before, next);
                return true;
            }
        }
        join(m_runs.emplace_hint(next, address, data.toByteArray()), next);
        return true;
    }
    bool empty() const { return m_runs.empty(); }
    const std::map<uint64_t, QByteArray>& runs() const { return m_runs; }

private:
    using Iterator = std::map<uint64_t, QByteArray>::iterator;
    // Takes the next run into run when they now touch.
    void join(Iterator run, Iterator next)
    {
        if (next != m_runs.end() && run->first + uint64_t(run->second.size()) == next->first) {
            run->second.append(next->second);
            m_runs.erase(next);
        }
    }
    std::map<uint64_t, QByteArray> m_runs;
};

} // namespace

int32_t readIntelHex(QByteArrayView text, FirmwareImage& image, int* errorLine)
{
    ImageRuns runs;
    uint64_t low = UINT64_MAX, high = 0;
    uint64_t base = 0;
    bool ended = false;
    int lineNo = 0;
    const auto fail = [&](int32_t code) {
        if (errorLine)
            *errorLine = lineNo;
        return code;
    };

    // Some editors start a UTF-8 text with a byte order mark.
    qsizetype start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    bool anyRecord = false;
    while (start < text.size()) {
        // CR, LF and CR LF all end a line: files come from every kind of system.
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        QByteArrayView line = text.sliced(start, end - start);
        start = end + (text.sliced(end).startsWith("\r\n") ? 2 : 1);
        ++lineNo;
        if (isBlank(line))
            continue;
        anyRecord = true;
        if (ended)
            return fail(fw::ResHexFormat); // nothing may follow the end record
        while (!line.isEmpty() && (line.back() == ' ' || line.back() == '\t'))
            line.chop(1);
        if (line.front() != ':')
            return fail(fw::ResHexFormat);
        const std::optional<QByteArray> record = hexBytes(line.sliced(1));
        if (!record || record->size() < 5 || record->size() != 5 + uint8_t(record->at(0)))
            return fail(fw::ResHexFormat);
        uint8_t sum = 0;
        for (char b : *record)
            sum = uint8_t(sum + uint8_t(b));
        if (sum != 0)
            return fail(fw::ResHexChecksum);

        const auto byte = [&](int i) { return uint8_t(record->at(i)); };
        const int length = byte(0);
        const uint32_t offset = uint32_t(byte(1)) << 8 | byte(2);
        const auto word = [&] { return uint32_t(byte(4)) << 8 | byte(5); };
        switch (byte(3)) {
        case Data:
            if (length > 0) {
                const uint64_t address = base + offset;
                low = std::min(low, address);
                high = std::max(high, address + uint64_t(length));
                if (high - low > uint64_t(fw::kMaxImageSize))
                    return fail(fw::ResImageSize);
                if (!runs.add(address, QByteArrayView(*record).sliced(4, length)))
                    return fail(fw::ResHexFormat);
            }
            break;
        case EndOfFile:
            if (length != 0)
                return fail(fw::ResHexFormat);
            ended = true;
            break;
        case ExtendedSegment:
            if (length != 2)
                return fail(fw::ResHexFormat);
            base = uint64_t(word()) << 4;
            break;
        case ExtendedLinear:
            if (length != 2)
                return fail(fw::ResHexFormat);
            base = uint64_t(word()) << 16;
            break;
        case StartSegment:
        case StartLinear:
            if (length != 4)
                return fail(fw::ResHexFormat);
            break; // an entry point means nothing to the coupler's loader
        default:
            return fail(fw::ResHexFormat);
        }
    }
    if (!anyRecord) {
        lineNo = 0; // no line is to blame
        return fail(fw::ResFileEmpty);
    }
    lineNo = std::max(lineNo, 1);
    if (!ended)
        return fail(fw::ResHexFormat); // a cut-off file must not be loaded as if whole
    if (runs.empty())
        return fail(fw::ResImageSize);

    FirmwareImage out;
    out.base = uint32_t(low);
    out.bytes = QByteArray(qsizetype(high - low), char(0xFF));
    for (const auto& [address, bytes] : runs.runs())
        std::copy(bytes.begin(), bytes.end(), out.bytes.begin() + qsizetype(address - low));
    image = std::move(out);
    return 0;
}
