#pragma once

#include "Model/TaskWorkspaceState.h"

#include <QByteArray>
#include <functional>
#include <variant>

// Reads the stored task record, in its current form (a workspace object) or
// the older one (a bare task list), before any repair.
namespace WorkspaceRecordReader {

using Record = std::variant<TaskWorkspaceState, TaskList>;

// Decodes straight from the bytes, building no JSON tree, so a large record
// loads in about a quarter of the time, never holds a tree several times its
// size, and leaves no tree's worth of freed heap behind. It accepts, rejects and words its errors exactly as
// readThroughTree does. Throws DecodingError.
Record read(const QByteArray& bytes);

// read() for bytes not needed once they decode: the memory of a long text's
// bytes is given back as its text is made, so a huge text is never held
// twice. `decoded` runs once the record has decoded, while the bytes are
// still whole; then `bytes` is emptied. A failure leaves them as they were.
Record readAndRelease(QByteArray& bytes, const std::function<void()>& decoded = {});

// The same through QJsonDocument: the reference read() is checked against,
// and its fallback for the object keys whose order QJsonDocument does not
// settle consistently (escaped keys beyond U+D7FF). Throws DecodingError.
Record readThroughTree(const QByteArray& bytes);

} // namespace WorkspaceRecordReader
