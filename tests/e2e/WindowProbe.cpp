// e2e-window-probe: what a desktop shell asks of a window, from outside.
//   ping WINDOW SECONDS MS  sends _NET_WM_PING every 100 ms for SECONDS and
//                        prints how long the longest answer took; exit 0
//                        when every ping was answered, within MS but for at
//                        most one in a hundred, and none took twice as long
//   cover WINDOW         covers the window with another for 300 ms, so that
//                        it must repaint itself when uncovered
//   close WINDOW         asks the window to close, as a window manager does
//                        when its close box is clicked, and waits until the
//                        server has taken the request; prints the time sent
//                        (milliseconds since the epoch)

#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;
constexpr auto PingInterval = std::chrono::milliseconds(100);

xcb_atom_t Atom(xcb_connection_t* X, const char* Name) {
  xcb_intern_atom_reply_t* Reply =
      xcb_intern_atom_reply(X, xcb_intern_atom(X, 0, std::strlen(Name), Name), nullptr);
  const xcb_atom_t Result = Reply ? Reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(Reply);
  return Result;
}

double Ms(TClock::duration D) { return std::chrono::duration<double, std::milli>(D).count(); }

int Ping(xcb_connection_t* X, xcb_screen_t* Screen, xcb_window_t Window, double Seconds,
         double MaxAnswerMs) {
  const xcb_atom_t Protocols = Atom(X, "WM_PROTOCOLS"), PingAtom = Atom(X, "_NET_WM_PING");
  // Answers go to the root window, as to a window manager.
  const std::uint32_t Mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(X, Screen->root, XCB_CW_EVENT_MASK, &Mask);
  xcb_flush(X);
  std::map<std::uint32_t, TClock::time_point> Waiting;
  std::uint32_t Sent = 0, Answered = 0, Slow = 0;
  double Longest = 0;
  const auto Start = TClock::now();
  const auto End = Start + std::chrono::duration_cast<TClock::duration>(
                               std::chrono::duration<double>(Seconds));
  auto NextPing = Start;
  while (TClock::now() < End + std::chrono::seconds(1)) {
    const auto Now = TClock::now();
    if (Now < End && Now >= NextPing) {
      xcb_client_message_event_t Message{};
      Message.response_type = XCB_CLIENT_MESSAGE;
      Message.format = 32;
      Message.window = Window;
      Message.type = Protocols;
      Message.data.data32[0] = PingAtom;
      Message.data.data32[1] = ++Sent; // echoed back: which ping it answers
      Message.data.data32[2] = Window;
      xcb_send_event(X, 0, Window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&Message));
      xcb_flush(X);
      Waiting[Sent] = Now;
      NextPing += PingInterval;
    }
    for (const auto& [Number, Since] : Waiting)
      Longest = std::max(Longest, Ms(Now - Since)); // unanswered ones count as they wait
    pollfd Fd{xcb_get_file_descriptor(X), POLLIN, 0};
    poll(&Fd, 1, 10);
    while (xcb_generic_event_t* Event = xcb_poll_for_event(X)) {
      if ((Event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
        const auto* Reply = reinterpret_cast<xcb_client_message_event_t*>(Event);
        const auto It = Waiting.find(Reply->data.data32[1]);
        if (Reply->data.data32[0] == PingAtom && It != Waiting.end()) {
          const double Wait = Ms(TClock::now() - It->second);
          Longest = std::max(Longest, Wait);
          Slow += Wait >= MaxAnswerMs;
          Waiting.erase(It);
          ++Answered;
        }
      }
      std::free(Event);
    }
    if (xcb_connection_has_error(X)) {
      std::fprintf(stderr, "e2e-window-probe: lost the X connection\n");
      return 2;
    }
  }
  std::printf("%u pings, %u answered, %u of them in %.0f ms or more, longest wait %.0f ms\n",
              Sent, Answered, Slow, MaxAnswerMs, Longest);
  // A window that its own work keeps from answering misses ping after ping.
  // On a shared machine the host may also hold up the probe, the X server or
  // the window for a moment, and then one answer comes late; that alone is
  // not the window's fault.
  return Answered == Sent && Slow <= Sent / 100 && Longest < 2 * MaxAnswerMs ? 0 : 1;
}

int Cover(xcb_connection_t* X, xcb_screen_t* Screen, xcb_window_t Window) {
  xcb_get_geometry_reply_t* Geometry =
      xcb_get_geometry_reply(X, xcb_get_geometry(X, Window), nullptr);
  xcb_translate_coordinates_reply_t* Origin = xcb_translate_coordinates_reply(
      X, xcb_translate_coordinates(X, Window, Screen->root, 0, 0), nullptr);
  if (!Geometry || !Origin) {
    std::fprintf(stderr, "e2e-window-probe: no window 0x%x\n", Window);
    return 2;
  }
  const xcb_window_t Lid = xcb_generate_id(X);
  const std::uint32_t Values[] = {0xFF00FF, 1}; // magenta background, override-redirect
  xcb_create_window(X, XCB_COPY_FROM_PARENT, Lid, Screen->root, Origin->dst_x, Origin->dst_y,
                    Geometry->width, Geometry->height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    Screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, Values);
  xcb_map_window(X, Lid);
  xcb_flush(X);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  xcb_destroy_window(X, Lid);
  xcb_flush(X);
  std::free(Geometry);
  std::free(Origin);
  return 0;
}

int Close(xcb_connection_t* X, xcb_window_t Window) {
  xcb_client_message_event_t Message{};
  Message.response_type = XCB_CLIENT_MESSAGE;
  Message.format = 32;
  Message.window = Window;
  Message.type = Atom(X, "WM_PROTOCOLS");
  Message.data.data32[0] = Atom(X, "WM_DELETE_WINDOW");
  Message.data.data32[1] = XCB_CURRENT_TIME;
  const auto Sent = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
  xcb_generic_error_t* Error = xcb_request_check(
      X, xcb_send_event_checked(X, 0, Window, XCB_EVENT_MASK_NO_EVENT,
                                reinterpret_cast<const char*>(&Message)));
  if (Error) {
    std::fprintf(stderr, "e2e-window-probe: cannot send to window 0x%x (error %d)\n", Window,
                 Error->error_code);
    std::free(Error);
    return 2;
  }
  std::printf("%lld\n", static_cast<long long>(Sent));
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  const std::string Command = argc > 1 ? argv[1] : "";
  if (!((Command == "ping" && argc == 5) ||
        ((Command == "cover" || Command == "close") && argc == 3))) {
    std::fprintf(stderr,
                 "usage: e2e-window-probe ping WINDOW SECONDS MS | cover WINDOW | close WINDOW\n");
    return 2;
  }
  xcb_connection_t* X = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(X)) {
    std::fprintf(stderr, "e2e-window-probe: cannot open the display\n");
    return 2;
  }
  xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(X)).data;
  const auto Window = static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0));
  const int Status = Command == "ping"    ? Ping(X, Screen, Window, std::atof(argv[3]), std::atof(argv[4]))
                     : Command == "cover" ? Cover(X, Screen, Window)
                                          : Close(X, Window);
  xcb_disconnect(X);
  return Status;
}
