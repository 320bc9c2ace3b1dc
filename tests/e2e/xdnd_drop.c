/* Drops files onto an X window by playing the source side of the XDND
 * protocol, as a file manager does when the user drags files onto a window.
 *
 *   xdnd_drop WINDOW ROOT_X ROOT_Y PATH...
 *
 * WINDOW is the X window id of the target's top-level window; ROOT_X, ROOT_Y
 * the drop point on the screen. The paths (absolute, any bytes) go out as a
 * text/uri-list of file:// URIs. Exit status: 0 dropped and finished, 3 the
 * target refused the drop, 1 any other failure (timeout, no XDND support).
 * Host program (Xlib); built apart from the Windows cross build. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

enum { kVersion = 5, kTimeoutMs = 5000 };

static Atom a_aware, a_selection, a_enter, a_position, a_status, a_leave, a_drop, a_finished,
    a_copy, a_uri_list, a_targets;

static long now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

/* Appends "file://" + percent-encoded path + CR LF to out (size checked). */
static int append_uri(char* out, size_t size, size_t* len, const char* path) {
    static const char hex[] = "0123456789ABCDEF";
    const char* prefix = "file://";
    for (const char* p = prefix; *p; ++p) {
        if (*len + 1 >= size)
            return 0;
        out[(*len)++] = *p;
    }
    for (const unsigned char* p = (const unsigned char*)path; *p; ++p) {
        int plain = (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') ||
                    (*p >= '0' && *p <= '9') || strchr("-._~/", *p) != NULL;
        if (*len + 4 >= size)
            return 0;
        if (plain) {
            out[(*len)++] = (char)*p;
        } else {
            out[(*len)++] = '%';
            out[(*len)++] = hex[*p >> 4];
            out[(*len)++] = hex[*p & 15];
        }
    }
    if (*len + 3 >= size)
        return 0;
    out[(*len)++] = '\r';
    out[(*len)++] = '\n';
    out[*len] = '\0';
    return 1;
}

static void send_message(Display* d, Window target, Atom type, long l0, long l1, long l2, long l3,
                         long l4) {
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.display = d;
    ev.xclient.window = target;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = l0;
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    XSendEvent(d, target, False, NoEventMask, &ev);
    XFlush(d);
}

/* Answers the target's request for the dragged data. */
static void answer_request(Display* d, const XSelectionRequestEvent* req, const char* uris) {
    XEvent reply;
    Atom property = req->property != None ? req->property : req->target;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = d;
    reply.xselection.requestor = req->requestor;
    reply.xselection.selection = req->selection;
    reply.xselection.target = req->target;
    reply.xselection.time = req->time;
    reply.xselection.property = None;
    if (req->target == a_uri_list) {
        XChangeProperty(d, req->requestor, property, a_uri_list, 8, PropModeReplace,
                        (const unsigned char*)uris, (int)strlen(uris));
        reply.xselection.property = property;
    } else if (req->target == a_targets) {
        Atom targets[2] = {a_targets, a_uri_list};
        XChangeProperty(d, req->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)targets, 2);
        reply.xselection.property = property;
    }
    XSendEvent(d, req->requestor, False, NoEventMask, &reply);
    XFlush(d);
    fprintf(stderr, "xdnd_drop: data requested (%s)\n",
            reply.xselection.property != None ? "sent" : "refused");
}

/* A server timestamp, from a property change on our own window. */
static Time server_time(Display* d, Window w) {
    XEvent ev;
    XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    (const unsigned char*)"xdnd_drop", 9);
    XFlush(d);
    for (;;) {
        XWindowEvent(d, w, PropertyChangeMask, &ev);
        if (ev.type == PropertyNotify)
            return ev.xproperty.time;
    }
}

static int target_version(Display* d, Window target) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int version = -1;
    if (XGetWindowProperty(d, target, a_aware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data != NULL && count == 1) {
        version = (int)*(Atom*)data;
    }
    if (data != NULL)
        XFree(data);
    return version;
}

int main(int argc, char** argv) {
    char uris[16384];
    size_t len = 0;
    if (argc < 5) {
        fprintf(stderr, "usage: xdnd_drop WINDOW ROOT_X ROOT_Y PATH...\n");
        return 1;
    }
    Window target = (Window)strtoul(argv[1], NULL, 0);
    long x = strtol(argv[2], NULL, 10);
    long y = strtol(argv[3], NULL, 10);
    uris[0] = '\0';
    for (int i = 4; i < argc; ++i) {
        if (!append_uri(uris, sizeof uris, &len, argv[i])) {
            fprintf(stderr, "xdnd_drop: paths too long\n");
            return 1;
        }
    }

    Display* d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "xdnd_drop: cannot open the display\n");
        return 1;
    }
    a_aware = XInternAtom(d, "XdndAware", False);
    a_selection = XInternAtom(d, "XdndSelection", False);
    a_enter = XInternAtom(d, "XdndEnter", False);
    a_position = XInternAtom(d, "XdndPosition", False);
    a_status = XInternAtom(d, "XdndStatus", False);
    a_leave = XInternAtom(d, "XdndLeave", False);
    a_drop = XInternAtom(d, "XdndDrop", False);
    a_finished = XInternAtom(d, "XdndFinished", False);
    a_copy = XInternAtom(d, "XdndActionCopy", False);
    a_uri_list = XInternAtom(d, "text/uri-list", False);
    a_targets = XInternAtom(d, "TARGETS", False);

    int version = target_version(d, target);
    if (version < 0) {
        fprintf(stderr, "xdnd_drop: window 0x%lx does not accept XDND\n", (unsigned long)target);
        return 1;
    }
    if (version > kVersion)
        version = kVersion;

    Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d, source, PropertyChangeMask);
    Time time = server_time(d, source);
    XSetSelectionOwner(d, a_selection, source, time);
    if (XGetSelectionOwner(d, a_selection) != source) {
        fprintf(stderr, "xdnd_drop: cannot own XdndSelection\n");
        return 1;
    }

    send_message(d, target, a_enter, (long)source, (long)version << 24, (long)a_uri_list, None,
                 None);
    send_message(d, target, a_position, (long)source, 0, (x << 16) | (y & 0xFFFF), (long)time,
                 (long)a_copy);

    int dropped = 0;
    long deadline = now_ms() + kTimeoutMs;
    while (now_ms() < deadline) {
        while (XPending(d) > 0) {
            XEvent ev;
            XNextEvent(d, &ev);
            if (ev.type == SelectionRequest) {
                answer_request(d, &ev.xselectionrequest, uris);
            } else if (ev.type == ClientMessage && ev.xclient.message_type == a_status) {
                if (dropped)
                    continue;
                if (!(ev.xclient.data.l[1] & 1)) {
                    send_message(d, target, a_leave, (long)source, 0, 0, 0, 0);
                    fprintf(stderr, "xdnd_drop: the target refused the drop\n");
                    return 3;
                }
                send_message(d, target, a_drop, (long)source, 0, (long)time, 0, 0);
                dropped = 1;
            } else if (ev.type == ClientMessage && ev.xclient.message_type == a_finished) {
                XCloseDisplay(d);
                return 0;
            }
        }
        fd_set fds;
        struct timeval tv = {0, 50000};
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(d), &fds);
        select(ConnectionNumber(d) + 1, &fds, NULL, NULL, &tv);
    }
    fprintf(stderr, "xdnd_drop: no %s from the target within %d ms\n",
            dropped ? "XdndFinished" : "XdndStatus", kTimeoutMs);
    return 1;
}
