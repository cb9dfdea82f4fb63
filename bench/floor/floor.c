/* The floor: only the system calls a tag-based rename cannot avoid, per file: open, fstat,
 * pread of the last 128 bytes, close, renameat2 with RENAME_NOREPLACE. The new name is
 * "artist - title.mp3" from the ID3v1 tag (the file's own name with a prefix when it has
 * none, so that every file costs the same calls). No filter, no encoding, no log.
 * Usage: floor [-r] [-e EXT] FOLDER; -r walks the subfolders too, each after the folder's
 * files; -e takes the files of another extension than ".mp3" (the same calls per file).
 * Prints the number of files renamed. */
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

/* Renames the .mp3 files of `path`, then (recursive) walks its subfolders. */
static const char* extension = ".mp3";

static size_t rename_folder(const char* path, int recursive) {
  DIR* dir = opendir(path);
  if (dir == NULL) {
    perror(path);
    return 0;
  }
  const int dfd = dirfd(dir);
  /* Names are collected first: renaming while reading the folder could list a file twice. */
  size_t count = 0, capacity = 1024, folders = 0, folderCapacity = 16;
  char** names = malloc(capacity * sizeof *names);
  char** subfolders = malloc(folderCapacity * sizeof *subfolders);
  struct dirent* e;
  while ((e = readdir(dir)) != NULL) {
    const size_t len = strlen(e->d_name);
    if (recursive && e->d_type == DT_DIR && strcmp(e->d_name, ".") != 0 &&
        strcmp(e->d_name, "..") != 0) {
      if (folders == folderCapacity)
        subfolders = realloc(subfolders, (folderCapacity *= 2) * sizeof *subfolders);
      subfolders[folders++] = strdup(e->d_name);
      continue;
    }
    const size_t extLen = strlen(extension);
    if (e->d_type != DT_REG || len < extLen ||
        strcasecmp(e->d_name + len - extLen, extension) != 0)
      continue;
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
      memcpy(name + n, ".mp3", 5);  /* the same calls whatever the extension */
    } else {
      n = (size_t)snprintf(name, sizeof name, "notag %s", names[i]);
    }
    if (renameat2(dfd, names[i], dfd, name, RENAME_NOREPLACE) == 0) ++renamed;
    free(names[i]);
  }
  closedir(dir);
  for (size_t i = 0; i < folders; ++i) {
    char sub[4096];
    snprintf(sub, sizeof sub, "%s/%s", path, subfolders[i]);
    renamed += rename_folder(sub, recursive);
    free(subfolders[i]);
  }
  free(names);
  free(subfolders);
  return renamed;
}

int main(int argc, char** argv) {
  int recursive = 0, arg = 1;
  for (; arg < argc - 1; ++arg) {
    if (strcmp(argv[arg], "-r") == 0)
      recursive = 1;
    else if (strcmp(argv[arg], "-e") == 0 && arg + 1 < argc - 1)
      extension = argv[++arg];
    else
      break;
  }
  if (arg != argc - 1) {
    fprintf(stderr, "usage: floor [-r] [-e EXT] FOLDER\n");
    return 2;
  }
  DIR* probe = opendir(argv[argc - 1]);
  if (probe == NULL) {
    perror(argv[argc - 1]);
    return 2;
  }
  closedir(probe);
  printf("%zu\n", rename_folder(argv[argc - 1], recursive));
  return 0;
}
