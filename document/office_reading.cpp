#include "office_reading.h"

#include "chapter_builder.h"

namespace document {

Reading ReadOfficeArchive(const std::string& path, const OfficeParts& parts, const BodyReader& readBody)
{
    std::string problem;
    std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, problem);
    if (!archive) return Failed(DamagedArchive(parts.format, problem));
    const std::string body = archive->Find(parts.body);
    if (body.empty()) return Failed(DamagedArchive(parts.format, "it has no " + parts.body));

    OfficeMetadata metadata;
    if (const std::string name = archive->Find(parts.metadata); !name.empty()) {
        metadata = ReadOfficeMetadata(archive->Entry(name, kLargestMetadataPart));
        if (metadata.markup.status != MarkupResult::Status::Parsed) return Failed(PartProblem(parts.format, name, metadata.markup));
    }
    OfficeText text = readBody(*archive, body, problem);
    if (!problem.empty()) return Failed(problem);
    if (text.markup.status != MarkupResult::Status::Parsed) return Failed(PartProblem(parts.format, body, text.markup));
    if (text.tooLong) return Failed(TooLongProblem());

    std::string title = CollapseSpace(metadata.title);
    if (title.empty()) {
        for (const Block& block : text.blocks)
            if (block.titleBlock) {
                title = block.text;
                break;
            }
    }
    FlowResult flow = BuildFlow(text.blocks, 1, title, CollapseSpace(metadata.author), FileTitle(path));
    if (flow.tooLong) return Failed(TooLongProblem());
    return Finished(std::move(flow.document));
}

}  // namespace document
