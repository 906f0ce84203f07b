#include "errors/table_errors.h"

#include "core/xbase_values.h"

namespace errors {
namespace {

using platform::Status;

struct Codes {
    int genCode, subCode;
};

Codes codesOf(TableStep step) {
    switch (step) {
    case TableStep::Open: return {kGenOpen, 1001};
    case TableStep::OpenIndex: return {kGenOpen, 1003};
    case TableStep::Create: return {kGenCreate, 1004};
    case TableStep::CreateIndex: return {kGenCreate, 1005};
    case TableStep::Read: return {kGenRead, 1010};
    case TableStep::Write: return {kGenWrite, 1011};
    case TableStep::Field: return {kGenNoField, 1020};
    }
    return {kGenRead, 1010};
}

bool damaged(const Status& status) {
    return status.code() == Status::Code::Corrupt || status.code() == Status::Code::Unsupported;
}

}  // namespace

bool isDamagedIndex(const Status& status) {
    const std::string file = core::upper(status.file());
    return damaged(status) && file.size() >= 4 && file.compare(file.size() - 4, 4, ".NTX") == 0;
}

TableAction::TableAction(std::string operation) {
    m_error.subSystem = "DBFNTX";
    m_error.operation = std::move(operation);
    m_error.canDefault = true;
}

bool TableAction::retry(const Status& status, TableStep step) {
    Codes codes = codesOf(step);
    if (damaged(status)) codes = {kGenCorrupt, isDamagedIndex(status) ? kSubDamagedIndex : kSubDamagedTable};
    m_error.genCode = codes.genCode;
    m_error.subCode = codes.subCode;
    m_error.description = status.message();
    m_error.fileName = status.file();
    m_error.osCode = status.osCode();
    m_error.canRetry =
        status.code() != Status::Code::Invalid && status.code() != Status::Code::Unsupported;
    return raise(m_error) == Action::Retry;
}

}  // namespace errors
