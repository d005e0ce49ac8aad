#include "commport.h"

#include <QRegularExpression>

#include <windows.h>

namespace {

QString systemText(DWORD error)
{
    return qt_error_string(int(error));
}

CommPort::Error kindOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
        return CommPort::Error::NotFound;
    // A comm port is opened by one program at a time; the next gets "access denied".
    case ERROR_ACCESS_DENIED:
        return CommPort::Error::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return CommPort::Error::InUse;
    default:
        return CommPort::Error::Other;
    }
}

} // namespace

QString CommPort::deviceName(const QString &portName)
{
    static const QRegularExpression comName(QStringLiteral("^COM[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    if (comName.match(portName).hasMatch())
        return QStringLiteral("\\\\.\\") + portName.toUpper();
    return portName;
}

bool CommPort::open(const QString &portName, Failure *failure)
{
    close();
    const auto failed = [failure](Error error, DWORD code) {
        if (failure)
            *failure = {error, systemText(code)};
        return false;
    };
    const std::wstring device = deviceName(portName).toStdWString();
    HANDLE handle = ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return failed(kindOf(error), error);
    }
    // A file or another device opens as well: only a comm port has a line state.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetFileType(handle) != FILE_TYPE_CHAR || !::GetCommState(handle, &dcb)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        return failed(Error::NotASerialPort, error ? error : ERROR_INVALID_HANDLE);
    }
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE; // zero bytes are the panel's too
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    // Reads return at once with what is there; a write may take up to a second.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!::SetCommState(handle, &dcb) || !::SetCommTimeouts(handle, &timeouts)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        return failed(Error::NotASerialPort, error);
    }
    ::PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    m_handle = handle;
    return true;
}

void CommPort::close()
{
    if (!m_handle)
        return;
    ::CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

bool CommPort::read(QByteArray *into, qint64 max, QString *reason)
{
    if (!m_handle || max <= 0)
        return m_handle != nullptr;
    char buffer[256];
    while (max > 0) {
        DWORD got = 0;
        if (!::ReadFile(static_cast<HANDLE>(m_handle), buffer, DWORD(std::min<qint64>(max, sizeof buffer)), &got,
                        nullptr)) {
            if (reason)
                *reason = systemText(::GetLastError());
            return false;
        }
        if (got == 0)
            break;
        into->append(buffer, qsizetype(got));
        max -= got;
    }
    return true;
}

bool CommPort::write(const QByteArray &bytes, QString *reason)
{
    if (!m_handle)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(static_cast<HANDLE>(m_handle), bytes.constData() + done, DWORD(bytes.size() - done), &written,
                         nullptr)
            || written == 0) {
            if (reason)
                *reason = written == 0 && ::GetLastError() == ERROR_SUCCESS ? QStringLiteral("The write timed out")
                                                                             : systemText(::GetLastError());
            return false;
        }
        done += written;
    }
    return true;
}

void CommPort::clearInput()
{
    if (m_handle)
        ::PurgeComm(static_cast<HANDLE>(m_handle), PURGE_RXCLEAR | PURGE_RXABORT);
}
