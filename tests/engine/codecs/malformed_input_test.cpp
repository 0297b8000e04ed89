#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_encoder.h"
#include "codecs_test_support.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kalvimo::test {
namespace {

// Damaged and hostile pictures are files under tests/data; these are things on the disk that
// are no pictures at all.
using MalformedInputTest = CodecTest;

TEST_F(MalformedInputTest, ThingsThatAreNotReadablePictureFiles) {
    ExpectRefused(Path("missing.jpg"), "could not be opened");

    std::filesystem::create_directory(Path("folder.jpg"));
    ExpectRefused(Path("folder.jpg"), "is not a file");

    // A named pipe without a writer must not stall the reader.
    ASSERT_EQ(::mkfifo(Path("pipe.gif").c_str(), 0600), 0);
    ExpectRefused(Path("pipe.gif"), "is not a file");

    // Sparse, so it costs no disk space.
    WriteBytes(Path("big.bmp"), "BM");
    std::filesystem::resize_file(Path("big.bmp"), (std::uintmax_t{1} << 30) + 1);
    ExpectRefused(Path("big.bmp"), "is too large to read");

    const std::string locked = Write("locked.bmp", WriteBmp, Pattern(2, 2));
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) { // the superuser reads it regardless
        ExpectRefused(locked, "Permission denied");
    }
}

// Within the pixel limit and padded to a size that could hold it, but a progressive CMYK picture
// of 12000 x 12000 would need 1.2 GB of coefficients: refused by the memory ceiling, before the
// canvas is allocated. The padding is made here, to keep the stored file small.
TEST_F(MalformedInputTest, ProgressiveCmykBeyondTheMemoryCeiling) {
    std::string padded = ReadBytes(KALVIMO_TEST_DATA "/jpeg-cmyk-progressive-12000.jpg");
    ASSERT_FALSE(padded.empty());
    padded.resize(padded.size() + 300'000);
    const std::string wide = Path("wide.jpg");
    WriteBytes(wide, padded);
    ExpectRefused(wide, "not enough memory");
    EXPECT_LT(RefusalPeakMb(wide), 64);
}

TEST_F(MalformedInputTest, ShrinkingReaderDoesNotWaitForANamedPipe) {
    const std::string pipe = Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Should the reader wait for a writer after all, one comes, so that the test ends.
    std::atomic<bool> opened{false};
    std::atomic<bool> rescued{false};
    std::thread writer([&] {
        for (int i = 0; i < 200 && !opened; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!opened) {
            rescued = true;
            ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
        }
    });
    JpegShrinkReader reader;
    EXPECT_FALSE(reader.Open(pipe));
    opened = true;
    writer.join();
    EXPECT_FALSE(rescued);
}

} // namespace
} // namespace kalvimo::test
