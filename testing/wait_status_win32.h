// The exit status macros of <sys/wait.h> for test programs built for
// Windows, where pclose() and system() return the exit code itself. Given
// to every test source there with -include, so that tests which read a
// child's status compile unchanged.
#ifndef ZARVEK_TESTING_WAIT_STATUS_WIN32_H_
#define ZARVEK_TESTING_WAIT_STATUS_WIN32_H_

#ifndef WIFEXITED
#define WIFEXITED(status) ((status) != -1)
#endif
#ifndef WEXITSTATUS
#define WEXITSTATUS(status) (status)
#endif

#endif  // ZARVEK_TESTING_WAIT_STATUS_WIN32_H_
