// root_certificate.exe add FILE: puts the authority in the PEM file FILE into
// the "Root" store of the Windows (Wine) prefix it runs in, so that a test can
// make WinINet trust a throw-away authority. Exit code 0 when done. The store
// keeps it in the registry under its SHA-1 thumbprint, where the test deletes
// it again.

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "add") {
        std::fprintf(stderr, "usage: root_certificate add FILE\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                                             nullptr, &size, nullptr, nullptr)) {
        std::fprintf(stderr, "root_certificate: no certificate in %s\n", argv[2]);
        return 1;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size,
                         nullptr, nullptr);

    return CertAddEncodedCertificateToSystemStoreW(L"Root", der.data(), size) ? 0 : 1;
}
