// tarnis-convert: converts pictures through the codec library without a window.
//   tarnis-convert IN OUT                 default page of IN to OUT, format by OUT's extension
//   tarnis-convert --page N IN OUT        page N (0-based)
//   tarnis-convert --info FILE            prints "width height bitcount pages"
//   tarnis-convert --formats              one line per format of this build, by number:
//                                         "NUMBER NAME read|read,write EXTENSIONS MIME-TYPES"
//                                         (lists comma-separated, extensions without dots)
//   tarnis-convert --thumb W H IN OUT     the thumbnail of IN fitted into W × H
//   tarnis-convert --thumb-folder W H [--threads N] FOLDER
//                                         thumbnails of every picture in FOLDER, kept in memory
//                                         (for timing); prints the count and the time taken
//   tarnis-convert --batch SRC DST --format EXT [--size W H --keep-ratio|--same-size]
//                  [--overwrite|--rename|--skip] [--threads N] [--reduced-read]
//                                         every picture directly inside SRC converted into DST as
//                                         the batch converter does it; prints the summary line.
//                                         --reduced-read: fast option, pictures to be shrunk are
//                                         read reduced (JPEG's scaled decode), so results may
//                                         differ from scaling the full picture by a few levels
//   tarnis-convert --help | --version     the options, or the version, on stdout
// Exit status 0 on success; otherwise one line on stderr and status 1.
#include "batch/batchconverter.h"
#include "batch/batchsizing.h"
#include "codec/dispatch.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/workpool.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace codexa;

namespace
{

int Fail(const std::string &message)
{
    std::fprintf(stderr, "tarnis-convert: %s\n", message.c_str());
    return 1;
}

int Usage()
{
    return Fail(
        "usage: tarnis-convert [--page N] IN OUT | --info FILE | --formats | --thumb W H IN OUT | "
        "--thumb-folder W H [--threads N] FOLDER | --batch SRC DST --format EXT "
        "[--size W H --keep-ratio|--same-size] [--overwrite|--rename|--skip] [--threads N] [--reduced-read]"
        " | --help | --version");
}

int Help()
{
    std::fputs("Usage: tarnis-convert [OPTION] ARGUMENTS\n"
               "Converts pictures through the viewer's codec library, without a window.\n"
               "\n"
               "  tarnis-convert IN OUT              IN's default page to OUT; the format follows\n"
               "                                     OUT's extension (bmp jpg gif tga pcx tif img mac png\n"
               "                                     webp avif)\n"
               "  --page N IN OUT                    page N (counted from 0) of IN to OUT\n"
               "  --info FILE                        prints width, height, bit count and pages\n"
               "  --formats                          lists the formats of this build: number, name,\n"
               "                                     read or read,write, extensions, MIME types\n"
               "  --thumb W H IN OUT                 the thumbnail of IN fitted into W x H\n"
               "  --thumb-folder W H [--threads N] FOLDER\n"
               "                                     times the thumbnails of every picture in FOLDER\n"
               "  --batch SRC DST --format EXT [--size W H --keep-ratio|--same-size]\n"
               "          [--overwrite|--rename|--skip] [--threads N] [--reduced-read]\n"
               "                                     converts every picture directly inside SRC into\n"
               "                                     DST; --reduced-read is faster for large JPEGs but\n"
               "                                     may differ from the exact result by a few levels\n"
               "  --help                             this text\n"
               "  --version                          the program's version\n"
               "\n"
               "Exit status 0 on success; otherwise one line on standard error and status 1.\n",
        stdout);
    return 0;
}

bool ParseInt(const std::string &text, int &value)
{
    char *end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -1 || v > 1000000000)
        return false;
    value = static_cast<int>(v);
    return true;
}

std::string Explain(const std::string &path, Status s)
{
    return path + ": " + StatusText(s);
}

int Convert(const std::string &in, const std::string &out, int page)
{
    Picture pic;
    Status s = LoadFile(in.c_str(), page, pic);
    if (s != Status::Ok)
        return Fail(Explain(in, s));
    PictureView view;
    if (!PictureView::From(&pic.info, pic.bits, view))
        return Fail(in + ": unusable picture");
    std::string ext = PathExtension(out);
    if (FormatByExtension(ext) == nullptr)
        return Fail(out + ": unknown output format");
    s = SaveFile(out.c_str(), view, ext, SaveOptions {});
    return s == Status::Ok ? 0 : Fail(Explain(out, s));
}

int Info(const std::string &path)
{
    Picture pic;
    Status s = LoadFile(path.c_str(), -1, pic);
    if (s != Status::Ok)
        return Fail(Explain(path, s));
    int pages = PageCountFile(path.c_str());
    std::printf("%d %d %d %d\n", pic.width(), pic.height(), pic.bitCount(), pages);
    return 0;
}

int Thumb(int w, int h, const std::string &in, const std::string &out)
{
    Picture thumb;
    DibInfoBlock source {};
    Status s = ThumbnailFile(in.c_str(), w, h, thumb, source);
    if (s != Status::Ok)
        return Fail(Explain(in, s));
    PictureView view;
    PictureView::From(&thumb.info, thumb.bits, view);
    s = SaveFile(out.c_str(), view, PathExtension(out), SaveOptions {});
    return s == Status::Ok ? 0 : Fail(Explain(out, s));
}

int ThumbFolder(int w, int h, int threads, const std::string &folder)
{
    std::vector<std::string> files;
    for (const FolderEntry &e : ListFolder(folder))
        if (!e.isFolder)
            files.push_back(JoinFolderAndName(folder, e.name));
    std::atomic<std::size_t> next { 0 };
    std::atomic<int> done { 0 }, failed { 0 };
    auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            Picture thumb;
            DibInfoBlock source {};
            if (ThumbnailFile(files[i].c_str(), w, h, thumb, source) == Status::Ok)
                ++done;
            else
                ++failed;
        }
    };
    workpool::ParallelFor(threads, threads, [&](int, int, int) { work(); });
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    double cpu = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const int n = done.load() > 0 ? done.load() : 1;
    std::printf("%d thumbnails, %d failed, %.1f ms, %.2f ms per picture, %.2f cpu ms per picture\n",
        done.load(), failed.load(), ms, ms / n, cpu / n);
    return failed == 0 && done > 0 ? 0 : Fail(folder + ": some pictures failed");
}

// Width and height of the size options are the dialog's: 1 ... 20000.
bool ParseBoxSide(const std::string &text, int &value)
{
    return ParseInt(text, value) && value >= 1 && value <= 20000;
}

int Batch(const std::vector<std::string> &args)
{
    BatchJob job;
    job.sizeOption = kKeepOriginalSize;
    job.sameNameOption = kOverwrite;
    bool haveSize = false;
    bool haveFormat = false;
    int sizeModes = 0, nameModes = 0;
    std::vector<std::string> folders;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--format" && i + 1 < args.size()) {
            job.extension = args[++i];
            if (!job.extension.empty() && job.extension[0] == '.')
                job.extension.erase(0, 1);
            haveFormat = true;
        } else if (a == "--size" && i + 2 < args.size()) {
            if (!ParseBoxSide(args[i + 1], job.width) || !ParseBoxSide(args[i + 2], job.height))
                return Fail("--size: width and height must be 1 ... 20000");
            i += 2;
            haveSize = true;
        } else if (a == "--keep-ratio" || a == "--same-size") {
            job.sizeOption = a == "--keep-ratio" ? kKeepRatioInBox : kUseSameSize;
            ++sizeModes;
        } else if (a == "--overwrite" || a == "--rename" || a == "--skip") {
            job.sameNameOption = a == "--overwrite" ? kOverwrite
                : a == "--rename"                   ? kRenameAutomatically
                                                    : kSkip;
            ++nameModes;
        } else if (a == "--threads" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], job.threads) || job.threads < 1)
                return Usage();
        } else if (a == "--reduced-read") {
            job.reducedRead = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            folders.push_back(a);
        }
    }
    if (folders.size() != 2 || !haveFormat || sizeModes > 1 || nameModes > 1 || haveSize != (sizeModes == 1))
        return Usage();
    if (FormatByExtension(job.extension) == nullptr)
        return Fail(job.extension + ": unknown output format");
    job.sourceFolder = folders[0];
    job.targetFolder = folders[1];
    std::atomic<int> stop { 0 };
    const int count = CBatchConverter().Run(job, stop);
    std::printf("It has finished %d files conversion!\n", count);
    return 0;
}

int Formats()
{
    for (const FormatCodec *f : FormatsByNumber()) {
        std::string extensions, mimes;
        for (const char *const *e = f->extensions; e != nullptr && *e != nullptr; ++e)
            extensions += (extensions.empty() ? "" : ",") + std::string(*e + 1);
        for (const char *const *m = f->mimeTypes; m != nullptr && *m != nullptr; ++m)
            mimes += (mimes.empty() ? "" : ",") + std::string(*m);
        std::printf("%d %s %s %s %s\n", f->number, f->name, f->save != nullptr ? "read,write" : "read",
            extensions.c_str(), mimes.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    const std::string &cmd = args[0];
    if (cmd == "--help" || cmd == "-h")
        return args.size() == 1 ? Help() : Usage();
    if (cmd == "--version") {
        if (args.size() != 1)
            return Usage();
        std::printf("tarnis-convert %s\n", TARNIS_VERSION);
        return 0;
    }
    int a = 0, b = 0;
    if (cmd == "--formats")
        return args.size() == 1 ? Formats() : Usage();
    if (cmd == "--info") {
        return args.size() == 2 ? Info(args[1]) : Usage();
    }
    if (cmd == "--thumb") {
        if (args.size() != 5 || !ParseInt(args[1], a) || !ParseInt(args[2], b) || a < 1 || b < 1)
            return Usage();
        return Thumb(a, b, args[3], args[4]);
    }
    if (cmd == "--thumb-folder") {
        int threads = 1;
        std::size_t i = 3;
        if (args.size() < 4 || !ParseInt(args[1], a) || !ParseInt(args[2], b) || a < 1 || b < 1)
            return Usage();
        if (args[i] == "--threads") {
            if (args.size() != 6 || !ParseInt(args[4], threads) || threads < 1)
                return Usage();
            i = 5;
        }
        return args.size() == i + 1 ? ThumbFolder(a, b, threads, args[i]) : Usage();
    }
    if (cmd == "--batch")
        return Batch(args);
    if (cmd == "--page") {
        if (args.size() != 4 || !ParseInt(args[1], a) || a < 0)
            return Usage();
        return Convert(args[2], args[3], a);
    }
    if (!cmd.empty() && cmd[0] == '-')
        return Usage();
    return args.size() == 2 ? Convert(args[0], args[1], -1) : Usage();
}
