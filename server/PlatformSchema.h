// The store's schema as numbered migrations, the same steps on both engines, and bringing a
// database up to the version this service knows.
#pragma once

#include "SqlConnection.h"

// The schema version this build writes and reads.
int KnownSchemaVersion();

// The version recorded in the database: 0 for a new one, or for one written before versions
// were recorded (its tables, if any, are then those of the first migrations).
int RecordedSchemaVersion(SqlConnection &connection);

// Runs the migrations the database lacks, all in one transaction, so that a failed upgrade
// leaves it as it was. Several processes starting at once upgrade it once. Throws StoreError
// when the database is newer than this service (it would misread it).
void BringSchemaUpToDate(SqlConnection &connection);
