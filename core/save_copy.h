// Copying one save file over another without ever losing the old one.
#ifndef SAVEWARDEN_SAVE_COPY_H
#define SAVEWARDEN_SAVE_COPY_H

// Copies source over destination. Returns 1 when every byte arrived and the
// copy replaced the destination, 0 otherwise; on 0 the destination is as it
// was. Shows no message. Both paths are at most 255 characters.
int copy_save_file(const char *source, const char *destination);

#endif
