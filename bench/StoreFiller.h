#pragma once

#include <QString>

namespace zor::bench {

// Creates a store at path holding rows distinct events (serials 0..rows-1).
void createFilledStore(const QString& path, int rows);

} // namespace zor::bench
