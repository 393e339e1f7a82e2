#pragma once

#include "practice/adstore.h"
#include "practice/draftstore.h"
#include "practice/reply.h"

#include <atomic>
#include <map>
#include <string>

namespace practice {

// The pages of ad submission: the form, the photo upload that sends the
// form back with the photo added, the submission itself, and the uploaded
// photos as images for the form's thumbnails.
class SubmissionPages {
public:
    SubmissionPages(AdStore& ads, DraftStore& drafts, std::size_t photoMaxBytes);

    Reply form(const httplib::Request& request);   // GET  /ai/form/0
    Reply upload(const httplib::Request& request); // POST /ai/photo
    Reply submit(const httplib::Request& request); // POST /ai/form/1
    Reply photo(const std::string& draft, const std::string& number); // GET /ai/photos/D/N

    // Whether the form pages served from now on send photos by script.
    void setScriptUpload(bool script) { scriptUpload_ = script; }

private:
    // The draft the posted form names, or a new one when it names none we
    // could have given.
    std::string draftOf(const std::map<std::string, std::string>& fields);

    AdStore& ads_;
    DraftStore& drafts_;
    std::size_t photoMaxBytes_;
    std::atomic<bool> scriptUpload_ = false;
};

} // namespace practice
