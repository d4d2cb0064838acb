#include "EngineHarness.h"

QByteArray ReadAnswer(int device, int count, const std::function<quint16(int k)>& value)
{
    QByteArray f;
    f.append(static_cast<char>(device));
    f.append(char(3));
    f.append(static_cast<char>(2 * count));
    for (int k = 1; k <= count; ++k)
        AppendU16BE(f, value(k));
    f.append(2, '\0');
    AppendCrc(f);
    return f;
}

QByteArray RecorderAnswer(const QByteArray& request, int model)
{
    const int device = static_cast<quint8>(request[0]);
    if (request[1] == char(16)) {
        QByteArray f = request.left(6);
        f.append(2, '\0');
        AppendCrc(f);
        return f;
    }
    const int first = GetU16BE(request, 2);
    const int count = GetU16BE(request, 4);
    return ReadAnswer(device, count, [&](int k) -> quint16 {
        const int reg = first + k - 1;
        if (reg == 30001)
            return static_cast<quint16>(model);
        if (reg == 30003)
            return 2026;
        return static_cast<quint16>(reg % 7);
    });
}
