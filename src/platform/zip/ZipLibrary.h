#pragma once
// The zip library: the same C-style interface as the zip DLL the program was written
// against (register callbacks, set options, archive a list of names), over libzip.
//
// Paths are Windows paths in UTF-8 ("C:\Data\a.txt"), resolved through the drive
// table. Entry names are the paths without the drive, with "/" separators
// ("Data/a.txt"). Files are read and compressed on worker threads; the archive is
// written and every callback made on the calling thread, from inside ZpArchive.
#include <cstdint>

extern "C" {

struct ZipUserFunctions {
    // "  adding: <entry name>" as each entry is added, in order; the entry name
    // starts at index 10. length: the text's length without the closing zero.
    int (*print)(const char *text, unsigned long length);
    // Never called: archives get no comment.
    int (*comment)(char *buffer);
    // Never called: archives are not encrypted.
    int (*password)(char *buffer, int size, const char *prompt, const char *name);
    // Asked when each entry is started, between blocks of its data and while waiting
    // for the workers (text: the entry name, length: its length). Returning 1 stops
    // the call with ZpAborted.
    int (*service)(const char *text, unsigned long length);
};

// Index into ZipOptions::values of the two values the program sets.
constexpr int ZipOptionSystemAndHidden = 3; // byte offset 24 in the native record
constexpr int ZipOptionRecurse = 26;        // byte offset 116
constexpr int ZipOptionValueCount = 28;

struct ZipOptions {
    const char *date;       // must be empty or null: no date filter
    const char *rootFolder; // empty/null, or a Windows folder entry names are made relative to
    const char *tempFolder; // ignored: the archive is always built beside its final name
    std::int32_t values[ZipOptionValueCount];
    // '0' (store) to '9'; a zero byte takes the default, 6.
    char level;
};

// Result codes.
constexpr int ZpOk = 0;
constexpr int ZpOutOfMemory = 4;
constexpr int ZpLogicError = 5;   // internal error, or a call from inside a callback
constexpr int ZpAborted = 9;      // the service callback returned 1
constexpr int ZpNothingToDo = 12; // count 0 or no file name given
constexpr int ZpCreateError = 15; // the archive could not be created, written or renamed
constexpr int ZpBadOption = 16;   // bad option record, bad archive name, clashing entry names
constexpr int ZpOpenError = 18;   // a file failed to read after part of its entry was written

// Keeps a copy of the callbacks (null: none). Returns ZpOk.
int ZpInit(const ZipUserFunctions *callbacks);
// Keeps a copy of the options. Returns ZpOk, or ZpBadOption (then ZpArchive refuses
// with ZpBadOption until valid options are set).
int ZpSetOptions(const ZipOptions *options);
// Packs count names (null or empty positions skipped) into archiveName, replacing a
// file of that name only when the new archive is complete. The archive and its
// temporary file ("<archiveName>.XXXXXX") are readable by the owner only. An aborted
// or failed call leaves no archive and no temporary file behind.
int ZpArchive(int count, const char *archiveName, const char *const *names);
// As ZpArchive, with the host path each name was found at: hostNameOf(i, context) gives
// the host bytes of names[i] (valid until its next call), or null to have the name
// looked up through the drive table.
typedef const char *(*ZipHostNameOf)(int index, void *context);
int ZpArchiveFound(int count, const char *archiveName, const char *const *names, ZipHostNameOf hostNameOf,
                   void *context);

// The host error number (errno) behind the last ZpCreateError; 0 when none is known.
int ZpLastSystemError(void);

// The names the last ZpArchive left out because they could not be read when their
// turn came (gone, no longer a file, no permission): the archive holds the rest.
// Texts exactly as given; for a file inside a named folder, the folder's text, "\"
// and the file's name. Valid until the next ZpArchive.
int ZpSkippedCount(void);
const char *ZpSkippedName(int index); // null outside 0 .. count - 1

} // extern "C"
