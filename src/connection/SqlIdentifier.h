#pragma once

#include <QString>

namespace velloxa {

// "[name]" with every ']' inside doubled, so any name is one identifier to the server.
QString BracketedIdentifier(const QString& name);

// "[schema].[name]", or "[name]" alone when the schema is empty.
QString QualifiedTableName(const QString& schema, const QString& name);

} // namespace velloxa
