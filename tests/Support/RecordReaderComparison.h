#pragma once

// Runs both task record readers on the same bytes (used by the unit tests and
// the fuzz target): they must fail with the same text, or give records equal
// member by member with every double equal bit for bit.
#include "Model/JsonCoding.h"
#include "Model/WorkspaceRecordReader.h"

#include <string>

namespace RecordReaderComparison {

struct Outcome {
    std::optional<WorkspaceRecordReader::Record> record;
    std::string failure;
};

template <typename Read> Outcome outcomeOf(Read&& read, const QByteArray& bytes)
{
    try {
        return {read(bytes), {}};
    } catch (const DecodingError& error) {
        return {std::nullopt, error.what()};
    }
}

// The stored text keeps what == cannot see: the sign of a zero.
inline QByteArray encoded(const WorkspaceRecordReader::Record& record)
{
    Json::Writer writer;
    if (const auto* state = std::get_if<TaskWorkspaceState>(&record))
        state->write(writer);
    else
        TaskItems::write(writer, std::get<TaskList>(record));
    return writer.take();
}

inline std::string difference(const Outcome& tree, const Outcome& stream)
{
    if (tree.failure != stream.failure)
        return "tree: \"" + tree.failure + "\", stream: \"" + stream.failure + '"';
    if (!tree.record)
        return {};
    if (tree.record->index() != stream.record->index())
        return "different forms";
    if (!(*tree.record == *stream.record) || encoded(*tree.record) != encoded(*stream.record))
        return "different records: tree " + encoded(*tree.record).toStdString() + ", stream "
            + encoded(*stream.record).toStdString();
    return {};
}

// Empty when both readers agree, else what differs. The streaming reader is
// run both ways: keeping the bytes, and giving them back as it goes.
inline std::string difference(const QByteArray& bytes)
{
    const Outcome tree = outcomeOf(WorkspaceRecordReader::readThroughTree, bytes);
    if (const std::string kept = difference(tree, outcomeOf(WorkspaceRecordReader::read, bytes)); !kept.empty())
        return kept;
    const auto readAndRelease = [](const QByteArray& bytes) {
        QByteArray own(bytes.constData(), bytes.size());
        return WorkspaceRecordReader::readAndRelease(own);
    };
    if (const std::string released = difference(tree, outcomeOf(readAndRelease, bytes)); !released.empty())
        return "giving the bytes back: " + released;
    return {};
}

} // namespace RecordReaderComparison
