// A MIDI keyboard stand-in for the tests: an RtMidiOut client on JACK with one output port.
//
//     qs_jackmidiout CLIENT          (JACK_DEFAULT_SERVER names the server)
//
// It opens the port CLIENT:out, prints "ready" and then reads commands from stdin, one a line:
//     wait             until something is connected to the port (10 s at most), then "connected"
//                      (or "not connected")
//     send B1 B2 ...   one message of hexadecimal bytes
//     sleep MS         pause
//     quit             (or the end of stdin) end, after a pause that lets JACK deliver what was sent
// Every command answers one line ("ok" for send and sleep), so the caller can wait for it.
#include <jack/jack.h>

#include <RtMidi.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

void Quiet(const char*) {}

// Polls, through a client of its own, whether the port has a connection.
bool WaitConnected(const std::string& port) {
    jack_client_t* pClient = jack_client_open("qs_jackmidiout_probe", JackNoStartServer, nullptr);
    if (!pClient) return false;
    bool connected = false;
    for (int i = 0; i < 1000 && !connected; ++i) {
        if (jack_port_t* p = jack_port_by_name(pClient, port.c_str())) connected = jack_port_connected(p) > 0;
        if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    jack_client_close(pClient);
    return connected;
}

void Answer(const char* text) {
    std::cout << text << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: qs_jackmidiout CLIENT\n";
        return 2;
    }
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    const std::string client = argv[1];
    try {
        RtMidiOut out(RtMidi::UNIX_JACK, client);
        out.openVirtualPort("out");
        Answer("ready");
        std::string line;
        while (std::getline(std::cin, line)) {
            std::istringstream in(line);
            std::string command;
            in >> command;
            if (command == "wait") {
                Answer(WaitConnected(client + ":out") ? "connected" : "not connected");
            } else if (command == "send") {
                std::vector<unsigned char> bytes;
                unsigned value;
                while (in >> std::hex >> value) bytes.push_back(static_cast<unsigned char>(value));
                if (!bytes.empty()) out.sendMessage(&bytes);
                Answer("ok");
            } else if (command == "sleep") {
                int ms = 0;
                in >> ms;
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                Answer("ok");
            } else if (command == "quit") {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    } catch (const RtMidiError& e) {
        std::cerr << "qs_jackmidiout: " << e.getMessage() << "\n";
        return 1;
    }
    return 0;
}
