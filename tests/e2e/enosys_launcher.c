/* Runs a command as Linux 3.2 would: a seccomp filter answers ENOSYS to
   every system call that came after it (on x86-64 those numbered from 312
   on: renameat2, getrandom, copy_file_range, statx, rseq, clone3, openat2,
   faccessat2 and the rest) and EOPNOTSUPP to an open with O_TMPFILE (3.11),
   as a file system without it answers. With --no-hard-links, link and
   linkat fail with EPERM too, as on a file system without hard links. The
   filter holds for the command and everything it starts.

   enosys_launcher [--no-hard-links] PROGRAM [ARGUMENT...]

   Exits with 127 when the filter cannot be installed or the program not
   started, otherwise the program's own status is that of this process. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

/* The first x86-64 system call after Linux 3.2 (kcmp, 3.5). */
#define FIRST_NEWER_CALL 312
/* The bit that O_TMPFILE adds to O_DIRECTORY. */
#define TMPFILE_BIT (O_TMPFILE & ~O_DIRECTORY)

#define LOAD(field) BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, field))
#define ANSWER(error) BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (error))
#define ALLOW BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)

static int install_filter(int no_hard_links) {
  struct sock_filter program[32];
  unsigned short n = 0;
  const struct sock_filter start[] = {
      LOAD(arch),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
      ANSWER(ENOSYS),
      LOAD(nr),
      BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, FIRST_NEWER_CALL, 0, 1),
      ANSWER(ENOSYS),
  };
  /* A file system without hard links (FAT) refuses them with EPERM. */
  const struct sock_filter links[] = {
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_link, 1, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_linkat, 0, 1),
      ANSWER(EPERM),
  };
  /* open(path, flags, mode) and openat(folder, path, flags, mode): the
     flags are tested at one place. */
  const struct sock_filter opens[] = {
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_open, 0, 2),
      LOAD(args[1]),
      BPF_JUMP(BPF_JMP | BPF_JA, 2, 0, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
      LOAD(args[2]),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, TMPFILE_BIT, 0, 1),
      ANSWER(EOPNOTSUPP),
      ALLOW,
  };
  memcpy(program + n, start, sizeof start);
  n += sizeof start / sizeof start[0];
  if (no_hard_links) {
    memcpy(program + n, links, sizeof links);
    n += sizeof links / sizeof links[0];
  }
  memcpy(program + n, opens, sizeof opens);
  n += sizeof opens / sizeof opens[0];
  struct sock_fprog filter = {n, program};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return -1;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter);
}

int main(int argc, char** argv) {
  const int no_hard_links = argc > 1 && strcmp(argv[1], "--no-hard-links") == 0;
  char** command = argv + 1 + no_hard_links;
  if (*command == NULL) {
    fprintf(stderr, "usage: %s [--no-hard-links] PROGRAM [ARGUMENT...]\n", argv[0]);
    return 127;
  }
  if (install_filter(no_hard_links) != 0) {
    fprintf(stderr, "%s: cannot install the seccomp filter: %s\n", argv[0], strerror(errno));
    return 127;
  }
  execvp(command[0], command);
  fprintf(stderr, "%s: cannot start %s: %s\n", argv[0], command[0], strerror(errno));
  return 127;
}
