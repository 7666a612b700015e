// Copying one save file over another without ever losing the old one.
#ifndef SAVEWARDEN_SAVE_COPY_H
#define SAVEWARDEN_SAVE_COPY_H

enum {
    // The most generations a settings file may ask for: "<backup>.99" of the
    // longest backup path still fits the system's 259 characters.
    MOST_BACKUP_GENERATIONS = 99
};

// Copies source over destination. Returns 1 when the destination holds the
// source's bytes, 0 otherwise; on 0 the destination is as it was. When it
// already held them, nothing is written at all. Shows no message. Both paths
// are at most 255 characters.
int copy_save_file(const char *source, const char *destination);

// The same, but the destination's old content is not thrown away: it is
// kept as "<backup>.1", the saves kept before it each moving one place down
// ("<backup>.1" to "<backup>.2" and so on) and the one beyond the given
// number of generations dropped. With 0 generations this is copy_save_file.
// backup names the backup save file, whichever way the copy goes: a restore
// keeps the live save it replaces in the same row of generations.
int copy_save_file_keeping(const char *source, const char *destination,
                           const char *backup, unsigned generations);

#endif
