// Linked into the static Linux executables only. libgpg-error has helpers,
// never used by the program, that look a user up (a home folder by user
// name). Statically linked, glibc answers such a lookup by loading the NSS
// modules of the machine it runs on (dlopen), which must then be of the
// very glibc version it was linked with, after reading /etc/nsswitch.conf.
// These definitions stand in for the user database, so none of that is in
// the image: no user is ever looked up.
#include <pwd.h>

#include <cerrno>

extern "C" {

struct passwd* getpwnam(const char*) {
  errno = ENOENT;
  return nullptr;
}

struct passwd* getpwuid(uid_t) {
  errno = ENOENT;
  return nullptr;
}

}  // extern "C"
