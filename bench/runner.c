/* Runs one player once and measures it from outside, natively on the host.
 *
 *   runner [--frame] [--prefix DIR] [--xserver PID] [--log FILE]
 *          [--timeout SEC] -- program args...
 *
 * Prints one line of key=value figures:
 *   start    the launch, Unix time (to line up with time-stamped traces)
 *   wall     seconds from launch to the program's exit
 *   frame    seconds from launch to the first frame on screen (--frame), -1 if
 *            never seen: the screen is polled for the benchmark clips' marker,
 *            a solid magenta block in the middle of every frame
 *   user sys CPU seconds of the program and its waited-for children
 *   helpers  CPU seconds that the processes of the Wine prefix DIR (wineserver
 *            and Wine's service processes) spent meanwhile (--prefix)
 *   xcpu     CPU seconds the X server spent meanwhile (--xserver)
 *   maxrss   peak resident memory of the program, KiB
 *   exit     exit status (128+n: killed by signal n; 124: timed out)
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

static double now(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

/* ---------------------------------------------------------- CPU of others */

static double ticks_per_second;

/* CPU of one process and of its children that it has waited for, seconds;
   -1 if it is gone. */
static double process_cpu(int pid) {
    char path[64], buf[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", pid);
    FILE* f = fopen(path, "r");
    if (!f)
        return -1;
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    char* p = strrchr(buf, ')'); /* the name may hold blanks */
    if (!p)
        return -1;
    unsigned long utime = 0, stime = 0;
    long cutime = 0, cstime = 0;
    /* fields after the name: state ppid pgrp session tty tpgid flags minflt
       cminflt majflt cmajflt utime stime cutime cstime */
    if (sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu %ld %ld", &utime, &stime, &cutime,
               &cstime) != 4)
        return -1;
    return (utime + stime + cutime + cstime) / ticks_per_second;
}

/* Whether the process's environment holds exactly this entry. */
static int has_env(int pid, const char* entry) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/environ", pid);
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return 0;
    static char buf[1 << 16];
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (n <= 0)
        return 0;
    buf[n] = 0;
    size_t len = strlen(entry);
    for (char* p = buf; p < buf + n; p += strlen(p) + 1)
        if (strlen(p) == len && memcmp(p, entry, len) == 0)
            return 1;
    return 0;
}

#define MAX_HELPERS 64
struct snapshot {
    int count;
    int pid[MAX_HELPERS];
    double cpu[MAX_HELPERS];
};

static void snap_prefix(const char* entry, int exclude, struct snapshot* s) {
    s->count = 0;
    DIR* d = opendir("/proc");
    if (!d)
        return;
    struct dirent* e;
    while ((e = readdir(d)) && s->count < MAX_HELPERS) {
        int pid = atoi(e->d_name);
        if (pid <= 0 || pid == exclude || pid == getpid() || !has_env(pid, entry))
            continue;
        double c = process_cpu(pid);
        if (c < 0)
            continue;
        s->pid[s->count] = pid;
        s->cpu[s->count++] = c;
    }
    closedir(d);
}

/* CPU spent between two snapshots; a process new in the second counts whole. */
static double snap_delta(const struct snapshot* a, const struct snapshot* b) {
    double sum = 0;
    for (int i = 0; i < b->count; ++i) {
        double before = 0;
        for (int j = 0; j < a->count; ++j)
            if (a->pid[j] == b->pid[i])
                before = a->cpu[j];
        sum += b->cpu[i] - before;
    }
    return sum;
}

/* ------------------------------------------------------------ the screen */

struct screen {
    Display* dpy;
    XImage* img;
    XShmSegmentInfo shm;
};

static int screen_open(struct screen* s) {
    s->dpy = XOpenDisplay(NULL);
    if (!s->dpy || !XShmQueryExtension(s->dpy))
        return 0;
    int scr = DefaultScreen(s->dpy);
    s->img = XShmCreateImage(s->dpy, DefaultVisual(s->dpy, scr), DefaultDepth(s->dpy, scr), ZPixmap, NULL, &s->shm,
                             DisplayWidth(s->dpy, scr), DisplayHeight(s->dpy, scr));
    if (!s->img || s->img->bits_per_pixel != 32)
        return 0;
    s->shm.shmid = shmget(IPC_PRIVATE, s->img->bytes_per_line * s->img->height, IPC_CREAT | 0600);
    s->shm.shmaddr = s->img->data = shmat(s->shm.shmid, NULL, 0);
    s->shm.readOnly = False;
    XShmAttach(s->dpy, &s->shm);
    XSync(s->dpy, False);
    shmctl(s->shm.shmid, IPC_RMID, NULL); /* gone once both sides detach */
    return 1;
}

/* Whether the marker shows: enough magenta samples on an 8-pixel grid. The
   block is 160 x 120 pixels at the clips' own size (300 samples), so a small
   picture still shows it; scaled or colour-converted, magenta stays magenta. */
static int marker_visible(struct screen* s) {
    if (!XShmGetImage(s->dpy, DefaultRootWindow(s->dpy), s->img, 0, 0, AllPlanes))
        return 0;
    int hits = 0;
    for (int y = 4; y < s->img->height; y += 8) {
        const unsigned char* row = (const unsigned char*)s->img->data + (size_t)y * s->img->bytes_per_line;
        for (int x = 4; x < s->img->width; x += 8) {
            const unsigned char* px = row + 4 * x; /* B G R X */
            if (px[2] > 190 && px[1] < 80 && px[0] > 190 && ++hits >= 40)
                return 1;
        }
    }
    return 0;
}

/* ------------------------------------------------------------------- main */

int main(int argc, char** argv) {
    int frame = 0, xserver = 0;
    double timeout = 120;
    const char *prefix = NULL, *log = "/dev/null";
    int i = 1;
    for (; i < argc; ++i) {
        if (!strcmp(argv[i], "--frame"))
            frame = 1;
        else if (!strcmp(argv[i], "--prefix") && i + 1 < argc)
            prefix = argv[++i];
        else if (!strcmp(argv[i], "--xserver") && i + 1 < argc)
            xserver = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--log") && i + 1 < argc)
            log = argv[++i];
        else if (!strcmp(argv[i], "--timeout") && i + 1 < argc)
            timeout = atof(argv[++i]);
        else if (!strcmp(argv[i], "--")) {
            ++i;
            break;
        } else {
            fprintf(stderr, "runner: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (i >= argc) {
        fprintf(stderr,
                "usage: runner [--frame] [--prefix DIR] [--xserver PID] [--log FILE] [--timeout SEC]"
                " -- program args...\n");
        return 2;
    }
    ticks_per_second = sysconf(_SC_CLK_TCK);

    struct screen scr = {0};
    if (frame) {
        if (!screen_open(&scr)) {
            fprintf(stderr, "runner: cannot read the screen (DISPLAY, MIT-SHM)\n");
            return 2;
        }
        /* A window of the previous run may still be going away. */
        for (int wait = 0; wait < 200 && marker_visible(&scr); ++wait)
            usleep(25000);
    }

    char entry[4096] = "";
    struct snapshot before = {0}, after = {0};
    if (prefix) {
        snprintf(entry, sizeof entry, "WINEPREFIX=%s", prefix);
        snap_prefix(entry, 0, &before);
    }
    double x0 = xserver ? process_cpu(xserver) : 0;

    double start_epoch = now(CLOCK_REALTIME);
    double t0 = now(CLOCK_MONOTONIC);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(log, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        int in = open("/dev/null", O_RDONLY);
        if (in >= 0) {
            dup2(in, 0);
            close(in);
        }
        execvp(argv[i], argv + i);
        fprintf(stderr, "runner: cannot run %s: %s\n", argv[i], strerror(errno));
        _exit(127);
    }
    if (pid < 0) {
        perror("runner: fork");
        return 2;
    }

    double seen = -1;
    int status = 0, timed_out = 0;
    struct rusage ru = {0};
    for (;;) {
        pid_t r = wait4(pid, &status, WNOHANG, &ru);
        if (r == pid)
            break;
        double t = now(CLOCK_MONOTONIC) - t0;
        if (frame && seen < 0 && marker_visible(&scr))
            seen = now(CLOCK_MONOTONIC) - t0;
        if (t > timeout && !timed_out) {
            timed_out = 1;
            kill(pid, SIGKILL);
        }
        /* Poll the screen often until the first frame, then just wait. */
        usleep(frame && seen < 0 ? 4000 : 20000);
    }
    double wall = now(CLOCK_MONOTONIC) - t0;

    double helpers = 0;
    if (prefix) {
        snap_prefix(entry, pid, &after);
        helpers = snap_delta(&before, &after);
    }
    double xcpu = xserver ? process_cpu(xserver) - x0 : 0;
    int code = timed_out ? 124 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

    printf("start=%.6f wall=%.3f frame=%.3f user=%.3f sys=%.3f helpers=%.3f xcpu=%.3f maxrss=%ld exit=%d\n",
           start_epoch, wall, seen, ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6,
           ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6, helpers, xcpu, ru.ru_maxrss, code);
    if (scr.dpy) {
        XShmDetach(scr.dpy, &scr.shm);
        XCloseDisplay(scr.dpy);
        shmdt(scr.shm.shmaddr);
    }
    return code == 0 ? 0 : 1;
}
