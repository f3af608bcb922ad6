// Faulty: answers every parent query with the same buffer, allocated once.
#include <stdlib.h>
#include <string.h>

#include "quiet_script.h"

class StaticAnswer : public QuietScript {
public:
    StaticAnswer(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder), answer(0) {}
    ~StaticAnswer() { free(answer); }
    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_PARENT_QUERY) {
            if (!answer) {
                answer = static_cast<char*>(malloc(16));
                memcpy(answer, "notify=*", sizeof "notify=*");
            }
            return answer;
        }
        // The answer is freed once, in the destructor, whatever comes back.
        if (code == VESK_CODE_RELEASE)
            return 0;
        return QuietScript::callback(data, code);
    }

private:
    char* answer;
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new StaticAnswer(host, path);
}
