/* Preloaded into the real screensaver by startup.sh: watches glfwSwapBuffers.
 * On the first swap it writes the wall-clock time (the first presented
 * frame) and the CPU time used so far; after FRAMES more swaps it writes the
 * CPU and wall time they took and the peak resident set, then ends the
 * process with status 0. Output: key=value lines in $MORVANE_PROBE_OUT. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

typedef struct GLFWwindow GLFWwindow;

static double Now(clockid_t id) {
  struct timespec t;
  clock_gettime(id, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static long swaps;
static double firstCpu, firstWall;

void glfwSwapBuffers(GLFWwindow* window) {
  static void (*real)(GLFWwindow*);
  if (!real) real = (void (*)(GLFWwindow*))dlsym(RTLD_NEXT, "glfwSwapBuffers");
  real(window);
  const char* path = getenv("MORVANE_PROBE_OUT");
  const long frames = getenv("MORVANE_PROBE_FRAMES") ? atol(getenv("MORVANE_PROBE_FRAMES")) : 300;
  if (!path) return;
  if (++swaps == 1) {
    firstWall = Now(CLOCK_MONOTONIC);
    firstCpu = Now(CLOCK_PROCESS_CPUTIME_ID);
    FILE* f = fopen(path, "w");
    if (f) {
      fprintf(f, "first_frame_realtime=%.6f\nstartup_cpu_s=%.6f\n", Now(CLOCK_REALTIME), firstCpu);
      fclose(f);
    }
  } else if (swaps == frames + 1) {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    FILE* f = fopen(path, "a");
    if (f) {
      fprintf(f, "frames=%ld\ncpu_per_frame_ms=%.3f\nwall_per_frame_ms=%.3f\npeak_rss_mib=%.1f\n",
              frames, (Now(CLOCK_PROCESS_CPUTIME_ID) - firstCpu) * 1000.0 / frames,
              (Now(CLOCK_MONOTONIC) - firstWall) * 1000.0 / frames, usage.ru_maxrss / 1024.0);
      fclose(f);
    }
    _exit(0);
  }
}
