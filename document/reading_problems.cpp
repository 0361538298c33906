#include "reading_problems.h"

namespace document {

Reading Failed(std::string problem)
{
    Reading reading;
    reading.problem = std::move(problem);
    return reading;
}

std::string DamagedArchive(std::string_view format, std::string_view detail)
{
    return "is a damaged " + std::string(format) + " archive (" + std::string(detail) + ")";
}

std::string PartProblem(std::string_view format, std::string_view name, const MarkupResult& result)
{
    const std::string where = name.empty() ? std::string() : " in " + std::string(name);
    if (result.status == MarkupResult::Status::Malformed) return "has malformed XML" + where + " (" + result.problem + ")";
    if (!result.failure) return "cannot be read";
    const ReadFailure& failure = *result.failure;
    if (failure.reason == ReadFailure::Reason::TooLarge) return "is too large to read (" + failure.detail + ")";
    if (name.empty()) return "cannot be read (" + failure.detail + ")";
    return DamagedArchive(format, failure.detail);
}

Reading Finished(Document document)
{
    if (document.chapters.empty()) return Failed("has no text to read");
    Reading reading;
    reading.ok = true;
    reading.document = std::move(document);
    return reading;
}

}  // namespace document
