#pragma once

// The name of an SQLite VFS over the system's default one (registered on the first
// call) that lets the store's writer give up a long write: writes to a database's
// write-ahead log fail, as a full disk would, while
// StoreWriter::writingIsPointless() says that a later change has made the change
// being written pointless (a text of hundreds of megabytes whose list was just
// cleared). The failed transaction rolls back and leaves the file as it was; a
// committed one is never touched, nor is anything written to the database file
// itself.
const char *interruptibleVfsName();
