// The serial line between an emulated PC and velmo: socat listens on a free TCP port of this
// machine, which the emulator's COM1 joins as a client, and hands the bytes to a
// pseudo-terminal that velmo opens as COM1.
#pragma once
#include <sys/types.h>

#include <string>

class TcpLine {
  public:
    // Starts socat; its log and the pseudo-terminal's link go into `directory`.
    explicit TcpLine(const std::string& directory);
    ~TcpLine();
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;

    bool listening() const { return socat_ > 0; }
    int port() const { return port_; }
    const std::string& path() const { return path_; }
    // Writes PRM232C.TXT for velmo into `directory`: COM1 on this line, 115200 bit/s.
    void configureVelmo(const std::string& directory) const;
    // Whether VELMOD answers a command within `seconds`.
    bool waitForVelmod(int seconds) const;

  private:
    std::string path_;
    int port_ = -1;
    pid_t socat_ = -1;
};
