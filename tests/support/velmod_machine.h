// A DOS machine running VELMOD.COM on a line that velmo opens: DOSBox, or the PC-98 rig. The
// end-to-end scenarios run on either.
#pragma once
#include <string>

class VelmodMachine {
  public:
    // The host folder of C: and the line velmo opens (COM1=linePath()).
    virtual const std::string& driveC() const = 0;
    virtual const std::string& linePath() const = 0;
    // Writes PRM232C.TXT for velmo into `directory`: COM1 on the line at the machine's rate.
    virtual void configureVelmo(const std::string& directory) const = 0;
    // Ends the machine and returns what VELMOD wrote to its screen.
    virtual std::string stopAndReadScreen() = 0;

  protected:
    ~VelmodMachine() = default;
};

void write_velmo_settings(const std::string& directory, const std::string& line, unsigned rate);

// True once VELMOD answers a command on `line` within `seconds`. A frame sent before VELMOD
// set up its chip is lost there, so the command is repeated until one is answered.
bool wait_for_velmod(const std::string& line, int seconds);
