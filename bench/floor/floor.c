/* The floor: only the system calls a tag-based rename cannot avoid, per file: open, fstat,
 * pread of the last 128 bytes, close, renameat2 with RENAME_NOREPLACE. The new name is
 * "artist - title.mp3" from the ID3v1 tag (the file's own name with a prefix when it has
 * none, so that every file costs the same calls). No filter, no encoding, no log.
 * Usage: floor FOLDER; prints the number of files renamed. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static size_t field(const char* src, size_t width, char* dst) {
  size_t n = 0;
  while (n < width && src[n] != 0) {
    dst[n] = src[n] == '/' ? ' ' : src[n];
    ++n;
  }
  while (n > 0 && dst[n - 1] == ' ') --n;
  return n;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: floor FOLDER\n");
    return 2;
  }
  DIR* dir = opendir(argv[1]);
  if (dir == NULL) {
    perror(argv[1]);
    return 2;
  }
  const int dfd = dirfd(dir);
  /* Names are collected first: renaming while reading the folder could list a file twice. */
  size_t count = 0, capacity = 1024;
  char** names = malloc(capacity * sizeof *names);
  struct dirent* e;
  while ((e = readdir(dir)) != NULL) {
    const size_t len = strlen(e->d_name);
    if (e->d_type != DT_REG || len < 4 || strcasecmp(e->d_name + len - 4, ".mp3") != 0) continue;
    if (count == capacity) names = realloc(names, (capacity *= 2) * sizeof *names);
    names[count++] = strdup(e->d_name);
  }
  size_t renamed = 0;
  for (size_t i = 0; i < count; ++i) {
    const int fd = openat(dfd, names[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    char tag[128];
    const int ok = fstat(fd, &st) == 0 && st.st_size >= 128 &&
                   pread(fd, tag, sizeof tag, st.st_size - 128) == (ssize_t)sizeof tag;
    close(fd);
    if (!ok) continue;
    char name[512];
    size_t n;
    if (memcmp(tag, "TAG", 3) == 0) {
      n = field(tag + 33, 30, name);
      memcpy(name + n, " - ", 3);
      n += 3;
      n += field(tag + 3, 30, name + n);
      memcpy(name + n, ".mp3", 5);
    } else {
      n = (size_t)snprintf(name, sizeof name, "notag %s", names[i]);
    }
    if (renameat2(dfd, names[i], dfd, name, RENAME_NOREPLACE) == 0) ++renamed;
  }
  printf("%zu\n", renamed);
  closedir(dir);
  return 0;
}
