#pragma once
// The reason of a failed file operation, in Russian, for the messages of gsmprog.

#include <string>

namespace gsmprog {

// The text for the errno value `error`, e.g. "файловая система доступна только для чтения".
std::string ErrorText(int error);

}  // namespace gsmprog
