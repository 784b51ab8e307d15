#include "cli/commands.h"

#include <algorithm>
#include <cstdio>

namespace vestrel_cli {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vestrel: %s\nTry 'vestrel --help'.\n", message.c_str());
    return kExitUsage;
}

int ParseCommandLine(const std::string& command, const Args& args,
                     std::initializer_list<std::string_view> allowed, CommandLine* line) {
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options || arg.empty() || arg[0] != '-' || arg == "-") {
            line->operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end())
            return UsageError(command + ": unknown option '" + arg + "'");
        if (arg == "-o") {
            if (i + 1 >= args.size())
                return UsageError(command + ": -o needs a folder");
            line->folder = args[++i];
        } else if (arg == "-r") {
            line->recursive = true;
        } else if (arg == "--ask") {
            line->ask = true;
        } else if (arg == "--clipboard") {
            line->clipboard = true;
        } else if (arg == "--quiet") {
            line->run.quiet = true;
        } else if (arg == "--strict") {
            line->run.strict = true;
        } else if (arg == "--page") {
            if (i + 1 >= args.size())
                return UsageError(command + ": --page needs a page number");
            const std::string& page = args[++i];
            if (page == "all" && command == "convert") {
                line->run.allPages = true;
                continue;
            }
            // A page number: decimal digits, from 1, that fit the parser's setting.
            unsigned long number = 0;
            bool valid = !page.empty() && page.size() <= 9;
            for (char c : page)
                valid = valid && c >= '0' && c <= '9';
            if (valid)
                number = std::stoul(page);
            if (!valid || number == 0)
                return UsageError(command + ": --page takes a page number from 1" +
                                  (command == "convert" ? " or all" : "") + ", not '" + page + "'");
            line->run.page = number;
            line->run.allPages = false;
        }
    }
    return 0;
}

namespace {

const char kGeneral[] =
    "Usage: vestrel COMMAND [ARGUMENTS]\n"
    "\n"
    "Imports CMX drawings (Corel Presentation Exchange) and writes them as job files.\n"
    "\n"
    "Commands:\n"
    "  convert IN.cmx [OUT.job]     convert one drawing (default: IN with the extension .job)\n"
    "  convert IN... -o DIR         convert drawings and folders of drawings into DIR\n"
    "  convert --ask IN.cmx         convert one drawing, asking for the job file's name\n"
    "  convert --clipboard OUT.job  convert the drawing on the clipboard (Windows)\n"
    "  convert --page all IN.cmx    convert every page, page N into IN-pN.job\n"
    "  info FILE.cmx                show the header, the chunks and the instructions\n"
    "  dump FILE [OUT.json]         print a CMX or job file's drawing as JSON\n"
    "  svg IN [OUT.svg]             draw a CMX or job file's drawing as SVG\n"
    "  render IN [OUT.png]          draw a CMX or job file's drawing into a PNG (Linux)\n"
    "  thumbnail IN.cmx [OUT.png]   write a CMX file's thumbnail as a 128 x 128 PNG\n"
    "  corel PROGID OUT.job         convert the selection of a running CorelDRAW (Windows)\n"
    "\n"
    "A file named - is standard input, or standard output in place of OUT. 'vestrel COMMAND\n"
    "--help' tells more about each command.\n"
    "\n"
    "Options:\n"
    "  -h, --help                   show this help\n"
    "  --version                    show the version\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be read or written or was damaged, 2 for\n"
    "bad usage.\n";

const char kConvert[] =
    "Usage: vestrel convert [OPTIONS] IN.cmx [OUT.job]\n"
    "       vestrel convert [OPTIONS] IN.cmx|FOLDER... [-o DIR]\n"
    "       vestrel convert [OPTIONS] - OUT.job\n"
    "       vestrel convert --ask IN.cmx\n"
    "       vestrel convert --clipboard OUT.job   (Windows)\n"
    "\n"
    "Converts CMX drawings to job files. The job file of IN.cmx is IN.job beside it, or\n"
    "DIR/IN.job with -o DIR (DIR is created when missing). A FOLDER stands for the *.cmx files\n"
    "in it; with -o DIR their jobs keep their places below the folder. - reads the drawing from\n"
    "standard input and needs OUT.job. An output is never written over an input, nor by two\n"
    "inputs: such a run is refused before anything is written.\n"
    "\n"
    "A drawing that the library reports damaged, whose page walk stops early, that loses images,\n"
    "or that comes out empty because the reader passes over its instructions, counts as failed:\n"
    "its job is still written, and the command says what was kept and exits 1.\n"
    "\n"
    "Options:\n"
    "  -o DIR       write the job files into DIR\n"
    "  -r           take the *.cmx files of folders below FOLDER too\n"
    "  --ask        ask for the job file's name (on the terminal)\n"
    "  --clipboard  convert the drawing on the Windows clipboard\n"
    "  --quiet      no progress line, no closing count, no warnings\n"
    "  --strict     a warning (a damaged thumbnail, instructions passed over, pages left out)\n"
    "               fails the file\n"
    "  --page N     convert page N (from 1; default 1)\n"
    "  --page all   convert every page, page N into NAME-pN.job\n";

const char kInfo[] =
    "Usage: vestrel info FILE.cmx\n"
    "       vestrel info -\n"
    "\n"
    "Prints on standard output what the reader sees in a CMX file: the header, the number of\n"
    "pages, the chunks, the first page's instructions by code, and how the load ended (the stop\n"
    "record).\n";

const char kDump[] =
    "Usage: vestrel dump [OPTIONS] FILE [OUT.json]\n"
    "       vestrel dump --clipboard [OUT.json]   (Windows)\n"
    "\n"
    "Writes a CMX or job file's drawing as one JSON document, to standard output unless\n"
    "OUT.json is given. FILE - is standard input.\n"
    "\n"
    "Options:\n"
    "  --page N     read page N (from 1; default 1)\n"
    "  --quiet      no warnings\n"
    "  --strict     a warning (such as pages left out) fails the file\n";

const char kSvg[] =
    "Usage: vestrel svg [OPTIONS] IN [OUT.svg]\n"
    "       vestrel svg --clipboard OUT.svg   (Windows)\n"
    "\n"
    "Draws a CMX or job file's drawing as SVG. The default output is IN with the extension\n"
    ".svg beside it; OUT.svg - is standard output. IN - is standard input and needs OUT.svg.\n"
    "\n"
    "Options:\n"
    "  --page N     read page N (from 1; default 1)\n"
    "  --quiet      no warnings\n"
    "  --strict     a warning (such as pages left out) fails the file\n";

const char kRender[] =
    "Usage: vestrel render [OPTIONS] IN [OUT.png]\n"
    "\n"
    "Draws a CMX or job file's drawing, as vestrel svg writes it, into a square PNG of N x N\n"
    "pixels: the drawing's frame letterboxed and centred on white, as the file's own preview\n"
    "shows it. The default output is IN with the extension .png beside it; OUT.png - is\n"
    "standard output. IN - is standard input and needs OUT.png. It draws through librsvg,\n"
    "which Windows builds do not have: there the command says so and fails.\n"
    "\n"
    "Options:\n"
    "  --size N     the picture's side in pixels (1 to 8192; default 256)\n"
    "  --page N     read page N (from 1; default 1)\n"
    "  --quiet      no warnings\n"
    "  --strict     a warning (such as pages left out) fails the file\n";

const char kThumbnail[] =
    "Usage: vestrel thumbnail [--page N] IN.cmx [OUT.png]\n"
    "\n"
    "Writes a CMX file's thumbnail as a 128 x 128 PNG. The default output is IN with the\n"
    "extension .png beside it; OUT.png - is standard output. IN - is standard input and needs\n"
    "OUT.png. A file without a usable thumbnail fails, and no PNG is written. The thumbnail is\n"
    "the file's, for all its pages; with --page N the file must have page N.\n";

const char kCorel[] =
    "Usage: vestrel corel PROGID OUT.job   (Windows)\n"
    "\n"
    "Has the CorelDRAW that runs as the automation server PROGID (CorelDRAW 7:\n"
    "CorelDraw.Automation.7) convert its selection, or with nothing selected its current layer,\n"
    "to curves and export it as CMX, and converts that into OUT.job. Other systems have no COM:\n"
    "there the command is a usage error.\n";

} // namespace

const char* CommandHelp(const std::string& command) {
    static const struct {
        const char* command;
        const char* help;
    } kHelps[] = {
        {"", kGeneral}, {"convert", kConvert}, {"info", kInfo},           {"dump", kDump},
        {"svg", kSvg},  {"render", kRender},   {"thumbnail", kThumbnail}, {"corel", kCorel}};
    for (const auto& h : kHelps)
        if (command == h.command)
            return h.help;
    return nullptr;
}

} // namespace vestrel_cli
