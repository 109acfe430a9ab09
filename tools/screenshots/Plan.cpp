#include "Plan.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace Screenshots
{

namespace
{

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    // getline drops an empty last field; a trailing separator is still a mistake to report.
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

double parseSeconds(const std::string& text, const std::string& what)
{
    std::size_t used = 0;
    double value = 0.0;
    try
    {
        value = std::stod(text, &used);
    }
    catch (const std::exception&)
    {
        used = 0;
    }
    if (text.empty() || used != text.size() || !std::isfinite(value) || value < 0.0)
        throw std::invalid_argument(what + " '" + text + "' is not a number of seconds >= 0");
    return value;
}

std::string slug(const std::string& text)
{
    std::string result;
    for (const char c : text)
    {
        if (std::isalnum(static_cast<unsigned char>(c)))
            result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!result.empty() && result.back() != '-')
            result += '-';
    }
    while (!result.empty() && result.back() == '-')
        result.pop_back();
    return result;
}

// The keys pressed at or before `seconds`, as "e, Up".
std::string keysSoFar(double seconds, const std::vector<KeyPress>& keys)
{
    std::string pressed;
    for (const KeyPress& press : keys)
    {
        if (press.time > seconds)
            continue;
        if (!pressed.empty())
            pressed += ", ";
        pressed += press.key;
    }
    return pressed;
}

} // namespace

const std::vector<TourMove>& tourMoves()
{
    static const std::vector<TourMove> moves = {
        {"Hold Earth", 0.0, 3.0},      {"Orbit Earth", 3.0, 13.0}, {"Travel to Moon", 13.0, 19.0},
        {"Orbit Moon", 19.0, 29.0},    {"Travel to Sun", 29.0, 35.0}, {"Orbit Sun", 35.0, 45.0},
        {"Hold Sun", 45.0, 55.0},
    };
    return moves;
}

int moveAt(double seconds)
{
    const std::vector<TourMove>& moves = tourMoves();
    for (std::size_t i = 0; i < moves.size(); ++i)
    {
        if (seconds >= moves[i].start && seconds < moves[i].end)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

const std::vector<double>& defaultTimes()
{
    static const std::vector<double> times = {1.5, 8.0, 16.0, 23.0, 32.0, 41.0, 50.0};
    return times;
}

std::vector<double> parseTimes(const std::string& text)
{
    std::vector<double> times;
    for (const std::string& part : split(text, ','))
    {
        const double value = parseSeconds(part, "time");
        if (!times.empty() && value <= times.back())
            throw std::invalid_argument("times must increase: '" + part + "' follows " +
                                        formatSeconds(times.back()));
        times.push_back(value);
    }
    if (times.empty())
        throw std::invalid_argument("no times given");
    return times;
}

std::vector<KeyPress> parseKeys(const std::string& text)
{
    std::vector<KeyPress> keys;
    for (const std::string& part : split(text, ','))
    {
        const std::size_t colon = part.find(':');
        if (colon == std::string::npos)
            throw std::invalid_argument("key press '" + part + "' is not TIME:KEY");
        const double time = parseSeconds(part.substr(0, colon), "key time");
        std::string key = part.substr(colon + 1);
        double hold = 0.0;
        const std::size_t slash = key.find('/');
        if (slash != std::string::npos)
        {
            hold = parseSeconds(key.substr(slash + 1), "hold time");
            key.resize(slash);
        }
        const bool plain = std::all_of(key.begin(), key.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
        });
        if (key.empty() || !plain)
            throw std::invalid_argument("key '" + key + "' is not an xdotool key name (letters, digits, _)");
        keys.push_back({time, key, hold});
    }
    if (keys.empty())
        throw std::invalid_argument("no key presses given");
    std::stable_sort(keys.begin(), keys.end(),
                     [](const KeyPress& a, const KeyPress& b) { return a.time < b.time; });
    return keys;
}

Options parseOptions(const std::vector<std::string>& args, const Options& defaults)
{
    Options options = defaults;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help")
        {
            options.help = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0)
            throw std::invalid_argument("unexpected argument '" + arg + "'");
        // Every other option takes a value, as "--out DIR" or "--out=DIR".
        std::string name = arg;
        std::string value;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos)
        {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        else if (i + 1 < args.size())
        {
            value = args[++i];
        }
        else
        {
            throw std::invalid_argument(arg + " needs a value");
        }

        if (name == "--times")
            options.times = parseTimes(value);
        else if (name == "--keys")
            options.keys = parseKeys(value);
        else if (name == "--out")
            options.out = value;
        else if (name == "--program")
            options.program = value;
        else if (name == "--root")
            options.root = value;
        else if (name == "--start-timeout")
            options.startTimeout = parseSeconds(value, "start timeout");
        else
            throw std::invalid_argument("unknown option '" + name + "'");
    }
    return options;
}

std::string usage()
{
    std::ostringstream text;
    text << "Usage: screenshots [--times T1,T2,...] [--keys T:KEY,...] [--out DIR]\n"
            "                   [--program PATH] [--root DIR] [--start-timeout SECONDS]\n"
            "\n"
            "Runs the demo from the repository root, photographs its window at the given seconds\n"
            "of the tour (counted from the end of the demo's start-up), and writes the PNG files and\n"
            "a contact sheet (contact-sheet.png) into DIR. Without DISPLAY it runs itself under\n"
            "xvfb-run. The demo's console output goes to DIR/program.log.\n"
            "\n"
            "  --times    shot times in increasing order (default ";
    for (std::size_t i = 0; i < defaultTimes().size(); ++i)
        text << (i ? "," : "") << formatSeconds(defaultTimes()[i]);
    text << ",\n"
            "             one inside each move of the tour)\n"
            "  --keys     keys to press at the given times, as xdotool names: e, s, m (look at\n"
            "             Earth, Sun, Moon), a (restart tour), space (pause), Up, Down, KP_Add,\n"
            "             KP_Subtract. A key is held until the demo has drawn two frames, or for\n"
            "             the seconds after '/' (e.g. --keys 20:s,24:KP_Add/1.5)\n"
            "  --out      output folder (default build/screenshots in the repository)\n"
            "  --program  the demo to run (default: talvenmorquiddle next to this tool)\n"
            "  --root     the repository root the demo runs in (default: the source tree)\n"
            "  --start-timeout  seconds allowed for the window and then the first frame (default 120)\n";
    return text.str();
}

std::string formatSeconds(double seconds)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
    std::string text = buffer;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::string shotLabel(int index, double seconds, const std::vector<KeyPress>& keys)
{
    const std::string pressed = keysSoFar(seconds, keys);
    std::string what;
    if (!pressed.empty())
        what = "keys " + pressed;
    else if (const int move = moveAt(seconds))
        what = tourMoves()[static_cast<std::size_t>(move - 1)].name;
    else
        what = "after the tour";
    return std::to_string(index) + " " + what + " " + formatSeconds(seconds) + " s";
}

std::string shotFileName(int index, double seconds, const std::vector<KeyPress>& keys)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", index);
    // The label without its number and seconds: "Orbit Earth", "keys e, Up".
    const std::string label = shotLabel(index, seconds, keys);
    const std::string prefix = std::to_string(index) + " ";
    const std::string suffix = " " + formatSeconds(seconds) + " s";
    const std::string what = label.substr(prefix.size(), label.size() - prefix.size() - suffix.size());
    return std::string(number) + "-" + slug(what) + "-" + formatSeconds(seconds) + "s.png";
}

std::vector<Step> timeline(const std::vector<double>& times, const std::vector<KeyPress>& keys)
{
    std::vector<Step> steps;
    for (const KeyPress& press : keys)
        steps.push_back({press.time, false, 0, press});
    for (std::size_t i = 0; i < times.size(); ++i)
        steps.push_back({times[i], true, static_cast<int>(i) + 1, {times[i], {}, 0.0}});
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) {
        if (a.time != b.time)
            return a.time < b.time;
        return !a.capture && b.capture;
    });
    return steps;
}

} // namespace Screenshots
