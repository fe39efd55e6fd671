#include "contacts_read.h"

#include <utility>

namespace app
{

ContactsRead::ContactsRead(std::shared_ptr<contacts::ContactsService> read)
    : m_read(std::move(read))
{
}

} // namespace app
