// The batch converter's engine: every picture directly inside a source folder converted into one
// format, optionally resized, written into a target folder. No window: the Batch Convert dialog
// and tarnis-convert --batch both run it.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

enum BatchSameNameOption {
    kOverwrite = 0, // "Overwrite"
    kRenameAutomatically = 1, // "Rename Automatically"
    kSkip = 2, // "Skip"
};

struct BatchJob {
    std::string sourceFolder;
    std::string targetFolder;
    std::string extension; // "jpg", "bmp", ... (the saved names end in "." + extension)
    int width = 200; // the box of the size options (1 ... 20000)
    int height = 300;
    int sizeOption = 0; // BatchSizeOption
    int sameNameOption = 0; // BatchSameNameOption
    int threads = 0; // pictures converted at once; 0 = one per processor
    // Fast option, off by default: pictures that will be shrunk are read reduced towards the box
    // where the format allows (JPEG's scaled decode). Quicker, but the results may differ from
    // scaling the full picture by a few levels.
    bool reducedRead = false;
};

class CBatchConverter
{
public:
    // Called after each attempted save with the new count, in increasing order and never twice
    // at once (from whichever thread converted the file).
    using ConvertedFn = std::function<void(int counter)>;

    // Converts the files of the source folder in folder order and returns how many were counted.
    // Files the codec does not recognise or cannot load are skipped and not counted; a file is
    // counted once its save was attempted, whatever the save's result; with "Skip" an existing
    // target is left alone and not counted, with "Rename Automatically" the name becomes
    // MakeUniqueFileName's. Names, counts and the files left behind are those of converting one
    // file after the other, whatever the number of threads. By default the pictures written are
    // exactly ScaleDibAll of the full decode. Saves begin in folder order; a non-zero stop flag
    // ends the run after the file whose save had begun: files read ahead are not written.
    // unwritten (when given) receives the target paths whose save failed, in folder order.
    int Run(const BatchJob &job, const std::atomic<int> &stop, const ConvertedFn &converted = {},
        std::vector<std::string> *unwritten = nullptr);

    // How many files of the source folder a run would write over when it converts in place
    // (target folder = source folder) with "Overwrite": the originals it replaces. 0 otherwise.
    static int CountReplacedInPlace(const BatchJob &job);
};
