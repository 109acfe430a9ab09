#pragma once

// What the screenshot tool is asked to do: its options, the shots and key presses in time order,
// and the names and labels of the pictures. No process, window or file is touched here.

#include <filesystem>
#include <string>
#include <vector>

namespace Screenshots
{

// One move of the program's opening tour, in seconds of tour time.
struct TourMove
{
    std::string name;
    double start;
    double end;
};

// The seven moves of the opening tour, in order; they must follow the program's tour script.
const std::vector<TourMove>& tourMoves();

// 1-based number of the tour move playing at `seconds`, or 0 before and after the tour.
int moveAt(double seconds);

struct KeyPress
{
    double time;
    // An xdotool key name, for example "e", "space", "Up", "KP_Add".
    std::string key;
    // Seconds to hold the key down; 0: until the demo has drawn two frames, so that it sees the
    // key at least once whatever its frame rate.
    double hold = 0.0;
};

struct Options
{
    std::vector<double> times;
    std::vector<KeyPress> keys;
    std::filesystem::path out;
    std::filesystem::path program;
    std::filesystem::path root;
    // How long the program may take to show its window and then its first frame.
    double startTimeout = 120.0;
    bool help = false;
};

// Shot times when none are asked for: one inside each move of the tour.
const std::vector<double>& defaultTimes();

// "1.5,8,16" → {1.5, 8, 16}; throws std::invalid_argument naming the bad entry. Times are
// non-negative, finite, and strictly increasing, so every picture gets its own name.
std::vector<double> parseTimes(const std::string& text);

// "20:e,25.5:space,30:Up/2" → {{20, "e"}, {25.5, "space"}, {30, "Up", hold 2}}, sorted by time;
// throws std::invalid_argument. Key names are letters, digits and '_' only, because they go on an
// xdotool command line.
std::vector<KeyPress> parseKeys(const std::string& text);

// Reads the command line (without the program name) over `defaults`; throws std::invalid_argument
// with a message for the user.
Options parseOptions(const std::vector<std::string>& args, const Options& defaults);

std::string usage();

// "1.5", "8", "16.25": seconds as a person writes them, without trailing zeros.
std::string formatSeconds(double seconds);

// The contact-sheet label of shot `index` (1-based) at `seconds`: the tour move, or, once keys
// have been pressed, the keys, because from then on the tour no longer decides the picture.
std::string shotLabel(int index, double seconds, const std::vector<KeyPress>& keys);

// "01-hold-earth-1.5s.png": sorts in shot order and says what it shows.
std::string shotFileName(int index, double seconds, const std::vector<KeyPress>& keys);

// One step of the run: a key to press or a picture to take, at seconds of tour time.
struct Step
{
    double time;
    bool capture;
    // The shot's 1-based number, or the key to press.
    int shot;
    KeyPress press;
};

// Shots and key presses merged in time order; a key pressed at the time of a shot comes first,
// so that the shot shows its effect as far as the program has drawn it.
std::vector<Step> timeline(const std::vector<double>& times, const std::vector<KeyPress>& keys);

} // namespace Screenshots
