// Loading a Data Memory File: the size check against the chip and the image
// checksum. Nothing of the file is kept: the path and the checksum shown are
// all a load leaves, and the chip operations open the file again.
#include "Main.h"

#include "file_dialog.h"
#include "regular_file.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>
#include <array>
#include <cerrno>
#include <unistd.h>

// ---------------------------------------------------------------------------
// ImageFile

ImageFile::~ImageFile() {
    Close();
}

bool ImageFile::Open(const QString& Path) {
    Close();
    const int fd = platform::open_regular_file(Path);
    if (fd < 0) return false;
    fd_ = fd;
    read_failed_ = false;
    return true;
}

void ImageFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int64_t ImageFile::Size() {
    if (fd_ < 0) return -1;
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    return end < 0 ? -1 : static_cast<int64_t>(end);
}

bool ImageFile::Rewind() {
    return fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) == 0;
}

size_t ImageFile::Read(void* Buffer, size_t Count) {
    if (fd_ < 0) return 0;
    auto* out = static_cast<unsigned char*>(Buffer);
    size_t done = 0;
    while (done < Count) {
        const ssize_t n = ::read(fd_, out + done, Count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            read_failed_ = true;
            break;
        }
    }
    return done;
}

int64_t TForm1::ImageSize(ImageFile& File, const QString& Path) {
    const int64_t size = File.Size();
    if (size > static_cast<int64_t>(ChipSize)) {
        ShowEvent(QStringLiteral("Failed! File Size Need To Smaller Then 8MB! "));
        return -1;
    }
    if (size < 0 || !File.Rewind()) {
        ShowEvent(QStringLiteral("Failed To Read File: ") + Path);
        return -1;
    }
    return size;
}

// ---------------------------------------------------------------------------
// "..." (DM_Load)

void TForm1::DM_LoadClick(QObject*) {
    const OperationScope hold(*this);

    DG_Load->Filter = QStringLiteral("Data Memory File (*.data)|*.data");
    if (!DG_Load->Execute(this)) {
        ShowEvent(QStringLiteral("Cancelled!"));
        return;
    }
    const QString chosen = DG_Load->FileName;

    ImageFile file;
    if (!file.Open(chosen)) {
        ShowEvent(QStringLiteral("Failed To Open File: ") + chosen);
        return;
    }
    ShowEvent(QStringLiteral("Getting Check Sum..."));

    // A file whose length cannot be taken or that cannot be read is not
    // loaded: a checksum over bytes that never arrived would pass for the
    // file's own.
    const int64_t size = ImageSize(file, chosen);
    if (size < 0) return;

    uint32_t sum = 0;
    int64_t added = 0;
    int64_t remaining = size;
    std::array<unsigned char, 256> block;
    while (remaining > 0) {
        QCoreApplication::processEvents();
        block.fill(0xFF);
        file.Read(block.data(), block.size());
        if (file.ReadFailed()) {
            ShowEvent(QStringLiteral("Failed To Read File: ") + chosen);
            return;
        }
        // A file that shrank while it was read counts its missing bytes as
        // erased ones (0xFF), as the chip would hold them.
        const int64_t count = std::min<int64_t>(remaining, static_cast<int64_t>(block.size()));
        for (int64_t i = 0; i < count; ++i)
            sum += block[static_cast<size_t>(i)];
        added += count;
        remaining -= static_cast<int64_t>(block.size());
        ShowProgress(static_cast<unsigned>(added * 100 / size));
    }
    file.Close();

    ShowEvent(QStringLiteral("Load Completed!"));
    DM_Path->setText(chosen);
    DM_CheckSum->setText(
        QStringLiteral("%1").arg(sum & 0xFFFFu, 4, 16, QLatin1Char('0')).toUpper());
}
