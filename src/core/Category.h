#pragma once

#include <QString>

#include <array>

// The three categories of the history. Their names are the ones shown and stored:
// "URL", "Code", "Text".
enum class Category { Url, Code, Text };

inline constexpr std::array<Category, 3> allCategories{Category::Url, Category::Code,
                                                       Category::Text};

QString categoryName(Category category);
// "URL" and "Code" name their categories; any other name means Text.
Category categoryForName(const QString &name);
// Until every caller of categorize() takes its Category as it is: lets the old
// `categoryForName(categorize(text))` build. Remove with the last such call.
inline Category categoryForName(Category category)
{
    return category;
}
// Key of the category's list in the stored record: "urls", "codes", "texts".
QString listKey(Category category);
