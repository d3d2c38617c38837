#include "Category.h"

QString categoryName(Category category)
{
    switch (category) {
    case Category::Url:
        return QStringLiteral("URL");
    case Category::Code:
        return QStringLiteral("Code");
    case Category::Text:
        break;
    }
    return QStringLiteral("Text");
}

Category categoryForName(const QString &name)
{
    if (name == u"URL")
        return Category::Url;
    if (name == u"Code")
        return Category::Code;
    return Category::Text;
}

QString listKey(Category category)
{
    switch (category) {
    case Category::Url:
        return QStringLiteral("urls");
    case Category::Code:
        return QStringLiteral("codes");
    case Category::Text:
        break;
    }
    return QStringLiteral("texts");
}
