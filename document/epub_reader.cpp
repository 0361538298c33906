// EPUB 2 and 3: the spine in reading order, in chapters at the top-level
// entries of the table of contents, which may point into the middle of a file.
#include "readers.h"

#include "chapter_builder.h"
#include "epub_container.h"
#include "epub_navigation.h"
#include "epub_package.h"
#include "epub_paths.h"
#include "reading_problems.h"
#include "xhtml_blocks.h"
#include "zip_archive.h"

#include <algorithm>
#include <map>
#include <set>

namespace document {
namespace {

constexpr std::string_view kFormat = "EPUB";

struct Entry {
    std::string fragment;
    std::string title;
    std::size_t position = 0;  // the block it starts at, once its page is read
};

bool IsPageType(std::string_view mediaType)
{
    return mediaType == "application/xhtml+xml" || mediaType == "text/html" || mediaType == "application/x-dtbook+xml";
}

class EpubBook {
public:
    EpubBook(const ZipArchive& archive, const std::string& path) : archive_(archive), path_(path) {}

    Reading Read()
    {
        if (std::string problem = CheckLocks(); !problem.empty()) return Failed(problem);
        if (std::string problem = LoadPackage(); !problem.empty()) return Failed(problem);
        if (std::string problem = LoadContents(); !problem.empty()) return Failed(problem);
        return ReadPages();
    }

private:
    std::string CheckLocks()
    {
        const std::string name = archive_.Find("META-INF/encryption.xml");
        if (name.empty()) return {};
        EncryptionReading encryption = ReadEncryption(archive_.Entry(name, kLargestMetadataPart));
        if (encryption.markup.status != MarkupResult::Status::Parsed) return PartProblem(kFormat, name, encryption.markup);
        if (!encryption.lockedPart.empty())
            return "is locked with DRM (" + encryption.lockedPart + " is encrypted), so its text cannot be read";
        return {};
    }

    std::string LoadPackage()
    {
        const std::string container = archive_.Find("META-INF/container.xml");
        if (container.empty()) return DamagedArchive(kFormat, "it has no META-INF/container.xml");
        ContainerReading reading = ReadContainer(archive_.Entry(container, kLargestMetadataPart));
        if (reading.markup.status != MarkupResult::Status::Parsed) return PartProblem(kFormat, container, reading.markup);
        packagePath_ = archive_.Find(ResolveLink("", reading.packagePath).file);
        if (reading.packagePath.empty() || packagePath_.empty())
            return DamagedArchive(kFormat, "its package document " + reading.packagePath + " is missing");
        PackageReading package = ReadPackage(archive_.Entry(packagePath_, kLargestMetadataPart));
        if (package.markup.status != MarkupResult::Status::Parsed) return PartProblem(kFormat, packagePath_, package.markup);
        package_ = std::move(package.package);
        return {};
    }

    // The table of contents: the navigation document, else the NCX.
    std::string LoadContents()
    {
        for (const ManifestItem* item : {package_.Navigation(), package_.Ncx()}) {
            if (!item) continue;
            const std::string name = archive_.Find(ResolveLink(packagePath_, item->href).file);
            if (name.empty()) continue;
            skipped_.insert(name);  // the table of contents is not read aloud
            NavigationReading reading = item == package_.Navigation()
                                            ? ReadNavDocument(archive_.Entry(name, kLargestMetadataPart))
                                            : ReadNcx(archive_.Entry(name, kLargestMetadataPart));
            if (reading.markup.status != MarkupResult::Status::Parsed) return PartProblem(kFormat, name, reading.markup);
            if (reading.entries.empty()) continue;
            for (const TocEntry& entry : reading.entries) AddEntry(name, entry);
            return {};
        }
        return {};
    }

    void AddEntry(const std::string& tocFile, const TocEntry& entry)
    {
        const LinkTarget target = ResolveLink(tocFile, entry.href);
        const std::string name = target.file.empty() ? std::string() : archive_.Find(target.file);
        if (name.empty()) {
            warnings_.push_back("chapter \"" + entry.title + "\" was skipped: the table of contents points at " +
                                (target.file.empty() ? entry.href : target.file) + ", which is not in the book");
            return;
        }
        entries_[name].push_back({target.fragment, entry.title});
    }

    // The spine's files to read: pages in reading order, without the table of
    // contents; a non-linear page only when the table of contents leads to it.
    std::vector<std::string> Pages()
    {
        for (const std::string& href : package_.tocPages) skipped_.insert(archive_.Find(ResolveLink(packagePath_, href).file));
        std::vector<std::string> pages;
        std::set<std::string> seen;
        for (const SpineItem& spine : package_.spine) {
            const ManifestItem* item = package_.Item(spine.idref);
            if (!item || !IsPageType(item->mediaType)) continue;
            const std::string file = ResolveLink(packagePath_, item->href).file;
            const std::string name = archive_.Find(file);
            if (name.empty()) {
                warnings_.push_back(file + " was skipped: the reading order names it, but it is not in the book");
                continue;
            }
            if (skipped_.count(name) || (!spine.linear && !entries_.count(name)) || !seen.insert(name).second) continue;
            pages.push_back(name);
        }
        for (const auto& [name, entries] : entries_)
            if (!seen.count(name) && !skipped_.count(name))
                for (const Entry& entry : entries)
                    warnings_.push_back("chapter \"" + entry.title + "\" was skipped: " + name + " is not in the reading order");
        return pages;
    }

    Reading ReadPages()
    {
        ChapterBuilder builder;
        bool spoken = false;
        for (const std::string& name : Pages()) {
            std::vector<Entry> entries = entries_[name];
            std::set<std::string, std::less<>> wanted;
            for (const Entry& entry : entries)
                if (!entry.fragment.empty()) wanted.insert(entry.fragment);
            XhtmlReading reading = ReadXhtml(archive_.Entry(name, kLargestPart), wanted);
            if (reading.markup.status != MarkupResult::Status::Parsed) return Failed(PartProblem(kFormat, name, reading.markup));
            const XhtmlPage& page = reading.page;
            if (page.tooLong) return Failed(TooLongProblem());
            // Before anything is spoken, a title page is the title block.
            if (!spoken && (page.titlePage || IsTitlePage(page.blocks, package_.title, package_.author))) continue;
            for (Entry& entry : entries) {
                auto anchor = page.anchors.find(entry.fragment);
                entry.position = anchor == page.anchors.end() ? 0 : anchor->second;
            }
            std::stable_sort(entries.begin(), entries.end(),
                             [](const Entry& a, const Entry& b) { return a.position < b.position; });
            auto next = entries.begin();
            for (std::size_t i = 0; i <= page.blocks.size(); ++i) {
                for (; next != entries.end() && next->position <= i; ++next) builder.StartChapter(next->title);
                if (i == page.blocks.size()) break;
                if (!builder.AddBlock(page.blocks[i].text)) return Failed(TooLongProblem());
                spoken = true;
            }
        }
        Document document = builder.Finish(package_.title, package_.author, FileTitle(path_));
        document.warnings.insert(document.warnings.begin(), warnings_.begin(), warnings_.end());
        return Finished(std::move(document));
    }

    const ZipArchive& archive_;
    const std::string& path_;
    std::string packagePath_;
    Package package_;
    std::map<std::string, std::vector<Entry>> entries_;  // by the page they lead into, in the table's order
    std::set<std::string> skipped_;
    std::vector<std::string> warnings_;
};

}  // namespace

Reading ReadEpub(const std::string& path)
{
    std::string problem;
    std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, problem);
    if (!archive) return Failed(DamagedArchive(kFormat, problem));
    return EpubBook(*archive, path).Read();
}

}  // namespace document
