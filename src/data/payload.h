// Decoding of the server's payload text into a Recordset, and the splitting rule it uses.
#pragma once

#include "recordset.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <concepts>
#include <cstddef>

// What one look at a payload's bytes tells its decoder: whether some byte is a blank or control
// character (codes 0 to 32), whether some is a double quote, and how many "~" there are. The
// percent decoder gathers it while it writes the payload, so the decoder need not scan it again.
struct PayloadBytesSummary {
    bool anyBlank = false;
    bool anyQuote = false;
    std::size_t sectionDelimiters = 0;
    // This summary and another one of the bytes that follow, as the summary of both.
    void add(const PayloadBytesSummary& next)
    {
        anyBlank = anyBlank || next.anyBlank;
        anyQuote = anyQuote || next.anyQuote;
        sectionDelimiters += next.sectionDelimiters;
    }
};
PayloadBytesSummary SummarizePayloadBytes(QByteArrayView payload);

// The payload after PercentDecode (UTF-8 bytes). None (nullptr) for an empty payload or
// any decoding failure; never throws.
RecordsetPtr DecodePayload(QByteArrayView payload);
// The same for a payload the caller hands over: the Recordset keeps and decodes that buffer in
// place instead of copying it. DecodePayload(PercentDecode(...)) takes this form.
RecordsetPtr DecodePayloadBuffer(QByteArray payload);
// The same with the summary of exactly these bytes.
RecordsetPtr DecodePayloadBuffer(QByteArray payload, const PayloadBytesSummary& summary);
// The same, with the cells written into the memory of an earlier table where it is large enough.
RecordsetPtr DecodePayloadBuffer(QByteArray payload, const PayloadBytesSummary& summary, Recordset::Memory& earlier);
template <typename Payload>
requires std::same_as<Payload, QByteArray> RecordsetPtr DecodePayload(Payload&& payload)
{
    return DecodePayloadBuffer(std::move(payload));
}

// A buffer of many megabytes that is about to be filled from start to end: on Linux, asks for
// 2 MB pages for it, so that filling it costs a few page faults instead of thousands. Only a hint;
// does nothing for smaller buffers and elsewhere.
void AdviseLargePages(void* data, std::size_t bytes);

// The splitting rule of the payload (delimiter "~", "{" or ","): blanks and control
// characters end an unquoted item, quoted items may hold anything with "" for one quote,
// a delimiter at the very end adds one empty item. A NUL byte ends the text.
QList<QByteArray> SplitDelimited(QByteArrayView text, char delimiter);
