#include "InterruptibleVfs.h"

#include "StoreWriter.h"

#include <sqlite3.h>

#include <algorithm>
#include <mutex>

namespace {

struct File
{
    sqlite3_file base;
    bool isLog;
    // The default VFS's file follows in the same allocation.
    sqlite3_file *real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};

File *own(sqlite3_file *file)
{
    return reinterpret_cast<File *>(file);
}

sqlite3_file *real(sqlite3_file *file)
{
    return own(file)->real();
}

const sqlite3_io_methods &methods(sqlite3_file *file)
{
    return *real(file)->pMethods;
}

sqlite3_vfs *g_default = nullptr;

int closeFile(sqlite3_file *f)
{
    return methods(f).xClose(real(f));
}
int readFile(sqlite3_file *f, void *out, int amount, sqlite3_int64 offset)
{
    return methods(f).xRead(real(f), out, amount, offset);
}
int writeFile(sqlite3_file *f, const void *data, int amount, sqlite3_int64 offset)
{
    if (own(f)->isLog && StoreWriter::writingIsPointless())
        return SQLITE_IOERR_WRITE;
    return methods(f).xWrite(real(f), data, amount, offset);
}
int truncateFile(sqlite3_file *f, sqlite3_int64 size)
{
    return methods(f).xTruncate(real(f), size);
}
int syncFile(sqlite3_file *f, int flags)
{
    return methods(f).xSync(real(f), flags);
}
int fileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return methods(f).xFileSize(real(f), size);
}
int lockFile(sqlite3_file *f, int level)
{
    return methods(f).xLock(real(f), level);
}
int unlockFile(sqlite3_file *f, int level)
{
    return methods(f).xUnlock(real(f), level);
}
int checkReservedLock(sqlite3_file *f, int *out)
{
    return methods(f).xCheckReservedLock(real(f), out);
}
int fileControl(sqlite3_file *f, int op, void *arg)
{
    return methods(f).xFileControl(real(f), op, arg);
}
int sectorSize(sqlite3_file *f)
{
    return methods(f).xSectorSize(real(f));
}
int deviceCharacteristics(sqlite3_file *f)
{
    return methods(f).xDeviceCharacteristics(real(f));
}
int shmMap(sqlite3_file *f, int region, int size, int extend, void volatile **out)
{
    return methods(f).xShmMap(real(f), region, size, extend, out);
}
int shmLock(sqlite3_file *f, int offset, int n, int flags)
{
    return methods(f).xShmLock(real(f), offset, n, flags);
}
void shmBarrier(sqlite3_file *f)
{
    methods(f).xShmBarrier(real(f));
}
int shmUnmap(sqlite3_file *f, int deleteFlag)
{
    return methods(f).xShmUnmap(real(f), deleteFlag);
}
int fetch(sqlite3_file *f, sqlite3_int64 offset, int amount, void **out)
{
    return methods(f).xFetch(real(f), offset, amount, out);
}
int unfetch(sqlite3_file *f, sqlite3_int64 offset, void *page)
{
    return methods(f).xUnfetch(real(f), offset, page);
}

// One table per version of the default VFS's files, so that SQLite asks only for
// what they have.
sqlite3_io_methods g_methods[3];

int openFile(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    File *f = own(file);
    f->base.pMethods = nullptr;
    f->isLog = (flags & SQLITE_OPEN_WAL) != 0;
    const int rc = g_default->xOpen(g_default, name, f->real(), flags, outFlags);
    if (const sqlite3_io_methods *inner = f->real()->pMethods) {
        const int version = std::clamp(inner->iVersion, 1, 3);
        f->base.pMethods = &g_methods[version - 1];
    }
    return rc;
}

void registerVfs()
{
    g_default = sqlite3_vfs_find(nullptr);
    for (int version = 1; version <= 3; ++version) {
        sqlite3_io_methods &m = g_methods[version - 1];
        m = {version,
             closeFile,
             readFile,
             writeFile,
             truncateFile,
             syncFile,
             fileSize,
             lockFile,
             unlockFile,
             checkReservedLock,
             fileControl,
             sectorSize,
             deviceCharacteristics,
             nullptr,
             nullptr,
             nullptr,
             nullptr,
             nullptr,
             nullptr};
        if (version >= 2) {
            m.xShmMap = shmMap;
            m.xShmLock = shmLock;
            m.xShmBarrier = shmBarrier;
            m.xShmUnmap = shmUnmap;
        }
        if (version >= 3) {
            m.xFetch = fetch;
            m.xUnfetch = unfetch;
        }
    }
    // Everything but opening is the default VFS's own, which finds its state
    // through pAppData and so works on this copy too.
    static sqlite3_vfs vfs;
    vfs = *g_default;
    vfs.pNext = nullptr;
    vfs.zName = "brimvale-interruptible";
    vfs.szOsFile = int(sizeof(File)) + g_default->szOsFile;
    vfs.xOpen = openFile;
    sqlite3_vfs_register(&vfs, 0);
}

} // namespace

const char *interruptibleVfsName()
{
    static std::once_flag registered;
    std::call_once(registered, registerVfs);
    return "brimvale-interruptible";
}
