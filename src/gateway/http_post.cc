#include "gateway/http_post.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace tev {
namespace {

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
      throw HttpPostError("libcurl could not be initialised");
  });
}

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

size_t appendResponse(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

}  // namespace

std::string HttpPost::post(const std::string& url, const std::string& contentType, const std::string& body,
                           std::chrono::milliseconds timeout) {
  initCurlOnce();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) throw HttpPostError("libcurl handle could not be created");
  std::unique_ptr<curl_slist, SlistDeleter> headers(
      curl_slist_append(nullptr, ("Content-Type: " + contentType).c_str()));
  headers.reset(curl_slist_append(headers.release(), "Expect:"));  // no 100-continue round trip
  std::string response;
  char errorText[CURL_ERROR_SIZE] = {0};

  CURL* h = curl.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_POST, 1L);
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendResponse);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &response);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  if (timeout.count() > 0) curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));

  const CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK)
    throw HttpPostError("POST to " + url +
                        " failed: " + (errorText[0] != 0 ? errorText : curl_easy_strerror(code)));
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 400) throw HttpPostError("POST to " + url + " answered HTTP " + std::to_string(status));
  return response;
}

}  // namespace tev
